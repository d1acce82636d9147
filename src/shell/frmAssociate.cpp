// The Associate prompt: Yes writes the .ocx association; whichever way it closes, a ticked
// "Do not ask me this again." is saved so that later starts do not ask.
#include "shell/frmAssociate.h"

#include "shell/DialogForm.h"
#include "shell/Registry.h"
#include "shell/modInstaller.h"

namespace frmAssociate {

namespace {

class AssociateForm : public DialogForm {
 public:
  AssociateForm()
      : DialogForm(kCaption, 4350, 1950,
                   {
                       {cmdYes, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, L"Yes", 525, 1020, 1305, 330},
                       {cmdNo, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, L"No", 2445, 1020, 1305, 330},
                       {chkAsk, L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, L"Do not ask me this again.", 1125, 1500,
                        2220, 270},
                       {Label1, L"STATIC", SS_LEFT,
                        L"Would you like to associate VP Game/Head Files (.ocx) with this Installer/Uninstaller?",
                        495, 315, 3315, 510},
                   }) {}

 protected:
  void Form_Load() override {
    reg_.Appname(kSettingsApp);
    reg_.Section(kSettingsSection);
  }

  void Click(int id) override {
    if (id == cmdYes) modInstaller::AssociateOcx(modInstaller::StartupExePath());
    if (id == cmdYes || id == cmdNo || id == IDCANCEL) Close();
  }

  void Form_Unload() override {
    if (!Checked(chkAsk)) return;
    reg_.Key(kAssociateMsg);
    reg_.Setting(L"1");
    reg_.RegSave();
  }

 private:
  Registry reg_;
};

}  // namespace

void ShowModal() {
  AssociateForm form;
  form.ShowModal(nullptr);
}

}  // namespace frmAssociate
