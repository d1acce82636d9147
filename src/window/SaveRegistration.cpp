// The Settings menu's commands of the main window, and the first of them: "Save Registration As...",
// which saves what the head in the head file box registers as a .reg file chosen in a save dialog,
// without registering it.
#include "window/GamesWindow.h"
#include "window/MainWindow.h"

#include <commdlg.h>

#include <algorithm>

#include "platform/MessageBox.h"
#include "platform/PathRules.h"
#include "platform/Paths.h"
#include "platform/SystemFunctions.h"
#include "platform/VisualStyles.h"
#include "registration/ExportRegistration.h"
#include "shell/OptionsDialog.h"

namespace {

constexpr int kSaveRegistrationItem = 203;

// The file name the dialog offers: the head's own name with ".reg" in place of its extension.
std::wstring RegFileNameFor(const std::wstring& head) {
  std::wstring name = head.substr(head.find_last_of(L"\\/") + 1);
  if (const size_t dot = name.find_last_of(L'.'); dot != std::wstring::npos && dot > 0) name.resize(dot);
  return name + L".reg";
}

// The .reg file the user chooses in a save dialog; empty when the dialog is cancelled.
std::wstring ChooseRegFile(HWND owner, const std::wstring& head) {
  static constexpr wchar_t kFilter[] = L"Registration Files (*.reg)\0*.reg\0All Files (*.*)\0*.*\0";
  std::wstring file = RegFileNameFor(head);
  file.resize(std::max<size_t>(file.size() + 1, 32768), L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kFilter;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrTitle = L"Save Registration As";
  dialog.lpstrDefExt = L"reg";
  // The current folder stays where it is (a folder chosen here is not kept in use).
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
  const VisualStyles themed;
  if (!platform::GetSaveFileNameW(&dialog)) return L"";
  return file.substr(0, file.find(L'\0'));
}

}  // namespace

void MainWindow::ShowSettingsMenu(const POINT* at) {
  static constexpr shell::MenuItem kItems[] = {{shell::kFindBrokenMenuItem, L"Find &Broken Entries..."},
                                                        {kSaveRegistrationItem, L"Save Registration &As..."}};
  const int chosen = shell::ShowSettingsMenu(hwnd_, at, kItems);
  if (chosen == shell::kFindBrokenMenuItem) window::FindBrokenEntries(*this);
  if (chosen == kSaveRegistrationItem) SaveRegistrationAs();
}

void MainWindow::SaveRegistrationAs() {
  const std::wstring head = HeadFileText();
  if (head.empty()) {
    ShowBox(L"Please enter an ocx file first...", MB_OK | MB_ICONEXCLAMATION, L"Enter Head file...");
    return;
  }
  if (HasWildcards(head) || !platform::IsPlainFile(head)) {
    ShowBox(head + L" Does Not Exist. Please check filename...", MB_OK | MB_ICONSTOP, L"Check Path...");
    return;
  }
  const std::wstring regFile = ChooseRegFile(hwnd_, head);
  if (regFile.empty()) return;
  SetPanelText(L"");
  AppendPanelLine(L"Checking File...");
  AppendPanelLine(L"Attempting to save what the file registers...");
  SetBusyPointer(true);
  const Outcome outcome = registration::ExportRegistration(
      head, regFile, [this](const std::vector<HANDLE>& objects, DWORD limitMs) { return WaitAnswering(objects, limitMs); });
  SetBusyPointer(false);
  for (const std::wstring& line : outcome.lines) AppendPanelLine(line);
}
