#include "app/MsgBox.h"

#include "app/VisualStyles.h"
#include "app/frmMain.h"

int MsgBox(const std::wstring& prompt, UINT style, const std::wstring& title) {
  HWND owner = nullptr;
  if (frmMain* form = frmMain::Current(); form && IsWindowVisible(form->hWnd())) owner = form->hWnd();
  const std::wstring caption = title.empty() ? std::wstring(kAppTitle) : title;
  const VisualStyles themed;
  return MessageBoxW(owner, prompt.c_str(), caption.c_str(), style | MB_SETFOREGROUND);
}
