#include "app/modDragForm.h"

namespace modDragForm {
namespace {

// The size the structure announces to the system: five 32-bit fields and a 128-byte text.
constexpr DWORD kVersionInfoSize = 148;
static_assert(sizeof(OSVERSIONINFOA) == kVersionInfoSize);

constexpr DWORD kWindowsFamily = 1;  // VER_PLATFORM_WIN32_WINDOWS
constexpr DWORD kNtFamily = 2;       // VER_PLATFORM_WIN32_NT
constexpr WPARAM kMoveWithMouse = SC_MOVE + 2;

// Handles the messages already waiting for this thread, once, before the move starts.
void DoEvents() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace

DWORD GetPlatformId() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = kVersionInfoSize;
  GetVersionExA(&info);
  return info.dwPlatformId;
}

void DragForm(HWND frm) {
  DoEvents();
  ReleaseCapture();
  switch (GetPlatformId()) {
    case kWindowsFamily:
      SendMessageA(frm, WM_SYSCOMMAND, kMoveWithMouse, 0);
      break;
    case kNtFamily:
      SendMessageA(frm, WM_NCLBUTTONDOWN, HTCAPTION, 0);
      break;
    default:
      break;  // an unknown platform: the window stays where it is
  }
}

}  // namespace modDragForm
