// The Options dialog: its check box switches the .ocx association on and off when OK is pressed.
// Its menu mnuSettings serves as the main window's context menu.
#include "shell/frmOptions.h"

#include "shell/DialogForm.h"
#include "shell/Registry.h"
#include "shell/modInstaller.h"

namespace frmOptions {

namespace {

class OptionsForm : public DialogForm {
 public:
  OptionsForm()
      : DialogForm(kCaption, 4065, 1485,
                   {
                       {cmdOK, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, L"OK", 1372, 960, 1320, 345},
                       {chkAssociate, L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX,
                        L" Associate .ocx files with the installer/uninstaller.", 195, 315, 3750, 360},
                   }) {}

 protected:
  void Form_Load() override {
    reg_.Appname(kSettingsApp);
    reg_.Section(kSettingsSection);
    std::wstring exePath = modInstaller::OptionsLoadExePath();
    associatedAtLoad_ = modInstaller::IsOcxAssociated(exePath);
    SetChecked(chkAssociate, associatedAtLoad_);
  }

  void Click(int id) override {
    if (id == cmdOK) {
      cmdOK_Click();
      Close();
    }
    if (id == IDCANCEL) Close();  // the close box changes nothing
  }

 private:
  void cmdOK_Click() {
    const bool ticked = Checked(chkAssociate);
    if (ticked && !associatedAtLoad_) {
      modInstaller::AssociateOcx(modInstaller::OptionsOkExePath());
    } else if (!ticked && associatedAtLoad_) {
      // The removal announces the change itself; it is announced once more here.
      if (modInstaller::RemoveOcxAssociation()) modInstaller::NotifyAssociationChanged();
    }
  }

  Registry reg_;  // prepared as every form prepares its settings; the dialog reads none
  bool associatedAtLoad_ = false;
};

OptionsForm* g_shown = nullptr;

}  // namespace

void ShowModal(HWND owner) {
  if (g_shown) return;
  OptionsForm form;
  g_shown = &form;
  form.ShowModal(owner);
  g_shown = nullptr;
}

void PopupSettingsMenu(HWND owner) {
  HMENU bar = CreateMenu();
  HMENU mnuSettings = CreatePopupMenu();
  AppendMenuW(mnuSettings, MF_STRING, mnuOptions, L"&Options");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(mnuSettings), L"Settings");
  POINT at;
  GetCursorPos(&at);
  // The owner must be in the foreground, or the menu does not close when the user clicks elsewhere.
  SetForegroundWindow(owner);
  const BOOL chosen = TrackPopupMenu(mnuSettings, TPM_RETURNCMD, at.x, at.y, 0, owner, nullptr);
  PostMessageW(owner, WM_NULL, 0, 0);
  DestroyMenu(bar);  // destroys mnuSettings with it
  if (chosen == mnuOptions) ShowModal(owner);
}

void UnloadIfLoaded() {
  if (g_shown) g_shown->Close();
}

}  // namespace frmOptions
