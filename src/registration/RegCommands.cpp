// The Register and Unregister commands: check the head file box, log into the panel, hand the
// file to the registration worker and ask for a reload of the Games list.
#include <exception>

#include "app/AnsiText.h"
#include "app/MsgBox.h"
#include "app/frmMain.h"
#include "app/modInstaller.h"

namespace {

struct Command {
  const wchar_t* attemptLine;
  const wchar_t* commandLetter;
  bool logNotFoundAfterBox;  // Register notes the missing file once more after the box
};

constexpr Command kRegister{L"Attempting to register file...", L"", true};
constexpr Command kUnregister{L"Attempting to unregister file...", L"u", false};

void CheckAndRun(frmMain& form, const Command& command) {
  form.SetPanelText(L"");
  form.AppendStatus(L"Checking File...");
  const std::wstring file = form.FileBoxText();
  if (file.empty()) {
    form.AppendStatus(L"OCX not found!");
    MsgBox(L"Please enter an ocx file first...", MB_OK | MB_ICONEXCLAMATION, L"Enter Head file...");
    return;
  }
  if (modInstaller::FileProbe(file)) {
    form.AppendStatus(command.attemptLine);
    form.RegUnReg(file, command.commandLetter);
    return;
  }
  MsgBox(file + L" Does Not Exist. Please check filename...", MB_OK | MB_ICONSTOP, L"Check Path...");
  if (command.logNotFoundAfterBox) form.AppendStatus(L"OCX not found!");
}

void RunCommand(frmMain& form, const Command& command) {
  try {
    CheckAndRun(form, command);
  } catch (const std::exception& fault) {
    // A probe that faults on the box's text ends the command, not the program.
    const RunTimeError err{5, L"frmMain", FromAnsi(fault.what())};
    form.ErrMsgProc(std::to_wstring(err.Number) + L" - " + err.Description, err);
  }
  form.EnableTimer1();
}

}  // namespace

void frmMain::Image2_Click() { RunCommand(*this, kRegister); }

void frmMain::Image3_Click() { RunCommand(*this, kUnregister); }
