// Choosing the head file: the file-open dialog behind the browse button, and files dropped onto
// the head file box or the Games list.
#include "app/frmMain.h"

#include <commdlg.h>

#include "app/MsgBox.h"
#include "app/VisualStyles.h"
#include "registration/RegRules.h"

namespace {

constexpr DWORD kFileNameChars = 255;  // 254 blanks and the terminating null character

// The first file of a dropped file list; empty when the drop carries no file.
std::wstring FirstDroppedFile(HDROP drop) {
  if (!drop || DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 0) return {};
  const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
  std::wstring name(static_cast<size_t>(length) + 1, L'\0');
  name.resize(DragQueryFileW(drop, 0, name.data(), length + 1));
  return name;
}

}  // namespace

void frmMain::Image1_Click() {
  static constexpr wchar_t kFilter[] = L"OCX Files\0*.ocx;\0";  // the literal adds the closing null
  std::wstring file(kFileNameChars, L' ');
  std::wstring title(kFileNameChars, L' ');
  file.back() = title.back() = L'\0';
  OPENFILENAMEW dialog{};
  // The record size of the classic layout (76 bytes on 32-bit Windows).
  dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
  dialog.hwndOwner = hwnd_;
  dialog.hInstance = GetModuleHandleW(nullptr);
  dialog.lpstrFilter = kFilter;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = kFileNameChars;
  dialog.lpstrFileTitle = title.data();
  dialog.nMaxFileTitle = kFileNameChars;
  dialog.lpstrInitialDir = L"c:\\";
  dialog.lpstrTitle = L"Select OCX File ";
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;  // 4100
  bool chosen = false;
  {
    // Only the dialog is themed: what the choice goes on to do (a panel made anew) keeps the plain look.
    const VisualStyles themed;
    chosen = GetOpenFileNameW(&dialog) != FALSE;
  }
  if (!chosen) return;
  SetFileBoxText(file.substr(0, file.find(L'\0')));
}

void frmMain::txtOCXFile_DropFiles(HDROP drop) {
  const std::wstring path = FirstDroppedFile(drop);
  if (!registration::IsOcxName(path)) return;
  SetFileBoxText(path);
}

void frmMain::lstGames_DropFiles(HDROP drop) {
  const std::wstring path = FirstDroppedFile(drop);
  if (!registration::IsOcxName(path)) return;
  const int answer = MsgBox(L"Would you like to register this head?\r\n(" + path + L")",
                            MB_YESNOCANCEL | MB_ICONQUESTION, L"Register?");
  if (answer == IDCANCEL) return;
  SetFileBoxText(path);
  if (answer == IDYES) Image2_Click();
}
