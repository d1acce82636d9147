// The baseline of the start-up benchmark: a minimal Win32 program that shows one borderless window
// of the main window's size and waits for messages.
#include <windows.h>

static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = "MinimalWindow";
  RegisterClassA(&wc);
  CreateWindowExA(0, "MinimalWindow", "Minimal Window", WS_POPUP | WS_VISIBLE, 100, 100, 427, 357, nullptr, nullptr,
                  instance, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}
