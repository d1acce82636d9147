#include "app/MsgBox.h"

#include "app/VisualStyles.h"
#include "app/frmMain.h"

namespace {

// The window the user acted in: this thread's active window (a dialog when one is open), else the
// main window when it shows. Owned by it, the box keeps everything behind it from taking clicks.
HWND BoxOwner() {
  const HWND active = GetActiveWindow();
  if (active && IsWindowVisible(active)) return active;
  if (frmMain* form = frmMain::Current(); form && IsWindowVisible(form->hWnd())) return form->hWnd();
  return nullptr;
}

}  // namespace

int MsgBox(const std::wstring& prompt, UINT style, const std::wstring& title) {
  const HWND owner = BoxOwner();
  const std::wstring caption = title.empty() ? std::wstring(kAppTitle) : title;
  const VisualStyles themed;
  return MessageBoxW(owner, prompt.c_str(), caption.c_str(), style | MB_SETFOREGROUND);
}
