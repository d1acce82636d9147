// The Options dialog: its check box switches the .ocx association on and off when OK (or Enter) is
// pressed; Esc and the close box change nothing. A is the check box's key.
#include "shell/OptionsDialog.h"

#include "shell/DialogForm.h"
#include "shell/OcxAssociation.h"

namespace shell {

namespace {

class Options : public DialogForm {
 public:
  Options()
      // Wide enough for the check box's text on one line beside a check box of any size the system draws.
      : DialogForm(kOptionsCaption, 4665, 1485,
                   {
                       {kOkButton, L"BUTTON", WS_TABSTOP | BS_DEFPUSHBUTTON, L"OK", 1672, 960, 1320, 345},
                       {kAssociateCheck, L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX,
                        L" &Associate .ocx files with the installer/uninstaller.", 195, 315, 4275, 360},
                   }) {}

 protected:
  void OnLoad() override {
    std::wstring exePath = shell::OptionsLoadExePath();
    associatedAtLoad_ = shell::IsOcxAssociated(exePath);
    SetChecked(kAssociateCheck, associatedAtLoad_);
  }

  void Click(int id) override {
    if (id == kOkButton) {
      ApplyChoice();
      Close();
    }
    if (id == IDCANCEL) Close();  // the close box changes nothing
  }

 private:
  void ApplyChoice() {
    const bool ticked = Checked(kAssociateCheck);
    if (ticked && !associatedAtLoad_) {
      shell::AssociateOcx(shell::OptionsOkExePath());
    } else if (!ticked && associatedAtLoad_) {
      // The removal announces the change itself; it is announced once more here.
      if (shell::RemoveOcxAssociation()) shell::NotifyAssociationChanged();
    }
  }

  bool associatedAtLoad_ = false;
};

Options* g_shown = nullptr;

}  // namespace

void ShowModal(HWND owner) {
  if (g_shown) return;
  Options dialog;
  g_shown = &dialog;
  dialog.ShowModal(owner);
  g_shown = nullptr;
}

int ShowSettingsMenu(HWND owner, const POINT* at, std::span<const MenuItem> more) {
  HMENU bar = CreateMenu();
  HMENU settingsMenu = CreatePopupMenu();
  AppendMenuW(settingsMenu, MF_STRING, kOptionsMenuItem, L"&Options");
  for (const MenuItem& item : more) AppendMenuW(settingsMenu, MF_STRING, static_cast<UINT_PTR>(item.id), item.text);
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(settingsMenu), L"Settings");
  POINT where{};
  if (at)
    where = *at;
  else
    GetCursorPos(&where);
  // The owner must be in the foreground, or the menu does not close when the user clicks elsewhere.
  SetForegroundWindow(owner);
  const BOOL chosen = TrackPopupMenu(settingsMenu, TPM_RETURNCMD, where.x, where.y, 0, owner, nullptr);
  PostMessageW(owner, WM_NULL, 0, 0);
  DestroyMenu(bar);  // destroys the Settings menu with it
  if (chosen == kOptionsMenuItem) ShowModal(owner);
  return chosen == kOptionsMenuItem ? 0 : chosen;
}

void CloseIfShown() {
  if (g_shown) g_shown->Close();
}

}  // namespace shell
