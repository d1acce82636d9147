// The Associate prompt: Yes writes the .ocx association; whichever way it closes, a ticked
// "Do not ask me this again." is saved so that later starts do not ask. Enter is Yes, Esc is No, and
// Y, N and D are the buttons' and the check box's keys (underlined only while keyboard cues show).
#include "shell/AssociatePrompt.h"

#include "shell/DialogForm.h"
#include "shell/OcxAssociation.h"
#include "shell/Settings.h"

namespace shell {

namespace {

class AssociateDialog : public DialogForm {
 public:
  AssociateDialog()
      : DialogForm(kAssociateCaption, 4350, 1950,
                   {
                       {kYesButton, L"BUTTON", WS_TABSTOP | BS_DEFPUSHBUTTON, L"&Yes", 525, 1020, 1305, 330},
                       {kNoButton, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, L"&No", 2445, 1020, 1305, 330},
                       // Room for the text beside a check box of any size the system draws.
                       {kDoNotAskCheck, L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, L"&Do not ask me this again.", 1125,
                        1500, 2400, 270},
                       {kQuestionText, L"STATIC", SS_LEFT,
                        L"Would you like to associate VP Game/Head Files (.ocx) with this Installer/Uninstaller?",
                        495, 315, 3315, 600},  // three lines
                   }) {}

 protected:
  void Click(int id) override {
    if (id == kYesButton) shell::AssociateOcx(shell::StartupExePath());
    if (id == kYesButton || id == kNoButton || id == IDCANCEL) Close();
  }

  void OnUnload() override {
    if (Checked(kDoNotAskCheck)) shell::SilenceAssociationQuestion();
  }
};

}  // namespace

void ShowModal() {
  AssociateDialog dialog;
  dialog.ShowModal(nullptr);
}

}  // namespace shell
