#include "platform/MessageBox.h"
#include "platform/NumberText.h"

#include "platform/VisualStyles.h"

namespace {

HWND g_programWindow = nullptr;
MainView* g_programView = nullptr;

// The window the user acted in: this thread's active window (a dialog when one is open), else the
// main window when it shows. Owned by it, the box keeps everything behind it from taking clicks.
HWND BoxOwner() {
  const HWND active = GetActiveWindow();
  if (active && IsWindowVisible(active)) return active;
  if (g_programWindow && IsWindowVisible(g_programWindow)) return g_programWindow;
  return nullptr;
}

}  // namespace

int ShowBox(const std::wstring& prompt, UINT style, const std::wstring& title) {
  const HWND owner = BoxOwner();
  const std::wstring caption = title.empty() ? std::wstring(kAppTitle) : title;
  const VisualStyles themed;
  return MessageBoxW(owner, prompt.c_str(), caption.c_str(), style | MB_SETFOREGROUND);
}

void ShowFaultBox(const RunTimeError& err) {
  const std::wstring number = DecimalText(err.Number);
  ShowBox(number + L" - " + err.Description + L"\r\n" + number + L"     " + err.Description, MB_OK);
}

void SetProgramWindow(HWND window) { g_programWindow = window; }

void SetProgramView(MainView* view) { g_programView = view; }

MainView* ProgramView() { return g_programView; }
