// The baseline of the start-up benchmark: a minimal Win32 program that shows one borderless window
// of the main window's size, at the same place (centred, so the pointer of the virtual screen lies
// on both alike) and with the standard arrow pointer, and waits for messages.
#include <windows.h>

static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = "MinimalWindow";
  RegisterClassA(&wc);
  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const int width = 427, height = 357;
  CreateWindowExA(0, "MinimalWindow", "Minimal Window", WS_POPUP | WS_VISIBLE,
                  work.left + (work.right - work.left - width) / 2, work.top + (work.bottom - work.top - height) / 2,
                  width, height, nullptr, nullptr, instance, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}
