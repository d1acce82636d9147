#include "window/HeadCommands.h"

#include <exception>

#include <commdlg.h>

#include "platform/AnsiText.h"
#include "platform/MessageBox.h"
#include "platform/PathRules.h"
#include "platform/Paths.h"
#include "platform/SystemFunctions.h"
#include "platform/VisualStyles.h"
#include "registration/RegRules.h"

namespace window {

using registration::IsOcxName;
using registration::EntryPointName;
namespace {

struct Command {
  const wchar_t* attemptLine;
  const wchar_t* commandLetter;
  bool logNotFoundAfterBox;  // Register notes the missing file once more after the box
};

constexpr Command kRegister{L"Attempting to register file...", L"", true};
constexpr Command kUnregister{L"Attempting to unregister file...", L"u", false};

void CheckAndRun(MainView& view, Registrar& registrar, const Command& command) {
  view.SetPanelText(L"");
  view.AppendPanelLine(L"Checking File...");
  const std::wstring file = view.HeadFileText();
  if (file.empty()) {
    view.AppendPanelLine(L"OCX not found!");
    ShowBox(L"Please enter an ocx file first...", MB_OK | MB_ICONEXCLAMATION, L"Enter Head file...");
    return;
  }
  if (HasWildcards(file)) {
    // A pattern may match several files: the command is for one.
    ShowBox(file + L" names no single file. Please check filename...", MB_OK | MB_ICONSTOP, L"Check Path...");
    if (command.logNotFoundAfterBox) view.AppendPanelLine(L"OCX not found!");
    return;
  }
  if (platform::IsPlainFile(file)) {
    view.AppendPanelLine(command.attemptLine);
    registrar.Run(file, command.commandLetter);
    return;
  }
  ShowBox(file + L" Does Not Exist. Please check filename...", MB_OK | MB_ICONSTOP, L"Check Path...");
  if (command.logNotFoundAfterBox) view.AppendPanelLine(L"OCX not found!");
}

void RunCommand(MainView& view, Registrar& registrar, const Command& command) {
  try {
    CheckAndRun(view, registrar, command);
  } catch (const std::exception& fault) {
    // A probe that faults on the box's text ends the command, not the program.
    ShowFaultBox({5, kErrorSource, FromAnsi(fault.what())});
  }
  view.RequestListRefresh();
}

constexpr DWORD kFileNameChars = 255;  // 254 blanks and the terminating null character

// The first file of a dropped file list; empty when the drop carries no file.
std::wstring FirstDroppedFile(HDROP drop) {
  if (!drop || platform::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 0) return {};
  const UINT length = platform::DragQueryFileW(drop, 0, nullptr, 0);
  std::wstring name(static_cast<size_t>(length) + 1, L'\0');
  name.resize(platform::DragQueryFileW(drop, 0, name.data(), length + 1));
  return name;
}

}  // namespace

void RegisterHead(MainView& view, Registrar& registrar) { RunCommand(view, registrar, kRegister); }

void UnregisterHead(MainView& view, Registrar& registrar) { RunCommand(view, registrar, kUnregister); }

void BrowseForHead(MainView& view) {
  static constexpr wchar_t kFilter[] = L"OCX Files\0*.ocx;\0";  // the literal adds the closing null
  std::wstring file(kFileNameChars, L' ');
  std::wstring title(kFileNameChars, L' ');
  file.back() = title.back() = L'\0';
  OPENFILENAMEW dialog{};
  // The record size of the classic layout (76 bytes on 32-bit Windows).
  dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
  dialog.hwndOwner = view.Handle();
  dialog.hInstance = GetModuleHandleW(nullptr);
  dialog.lpstrFilter = kFilter;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = kFileNameChars;
  dialog.lpstrFileTitle = title.data();
  dialog.nMaxFileTitle = kFileNameChars;
  dialog.lpstrInitialDir = L"c:\\";
  dialog.lpstrTitle = L"Select OCX File ";
  // The current folder stays where it is, not in the head's folder (which it would keep in use).
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  bool chosen = false;
  {
    // Only the dialog is themed: what the choice goes on to do (a panel made anew) keeps the plain look.
    const VisualStyles themed;
    chosen = platform::GetOpenFileNameW(&dialog) != FALSE;
  }
  if (chosen) view.SetHeadFileText(file.substr(0, file.find(L'\0')));
}

void TakeDroppedHead(MainView& view, HDROP drop) {
  const std::wstring path = FirstDroppedFile(drop);
  if (IsOcxName(path)) view.SetHeadFileText(path);
}

void OfferDroppedHead(MainView& view, Registrar& registrar, HDROP drop) {
  const std::wstring path = FirstDroppedFile(drop);
  if (!IsOcxName(path)) return;
  const int answer = ShowBox(L"Would you like to register this head?\r\n(" + path + L")",
                             MB_YESNOCANCEL | MB_ICONQUESTION, L"Register?");
  if (answer == IDCANCEL) return;
  view.SetHeadFileText(path);
  if (answer == IDYES) RegisterHead(view, registrar);
}

}  // namespace window
