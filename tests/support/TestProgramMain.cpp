// The program as the tests drive it from outside: the released program's start plus two hooks.
// VESK_ADDCALL_TRACE names a file that gets a UTF-8 line for every path the window takes into the box.
// VESK_TEST_DROPS makes a message-only window "VeskTestDropHook" that drops files on a control as the
// shell does, when sent WM_COPYDATA with the control as wParam and the paths in UTF-16, each ended by a
// zero (another process cannot make the shell's file list: its handle is valid only where it was made).
#include <cstdio>
#include <string>

#include <windows.h>
#include <shlobj.h>

#include "app/Startup.h"
#include "registration/EntryWorker.h"

namespace {

void TraceAddCall(const std::wstring& path) {
  wchar_t file[MAX_PATH] = {};
  FILE* trace = GetEnvironmentVariableW(L"VESK_ADDCALL_TRACE", file, MAX_PATH) ? _wfopen(file, L"ab") : nullptr;
  char line[4 * MAX_PATH] = {};
  WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, line, sizeof line, nullptr, nullptr);
  if (trace) std::fprintf(trace, "%s\r\n", line), std::fclose(trace);
}

// The shell's file list: the DROPFILES header, then the paths with their zeros and one zero more.
LRESULT CALLBACK DropHook(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
  const auto target = reinterpret_cast<HWND>(wParam);
  if (msg != WM_COPYDATA || !IsWindow(target)) return DefWindowProcW(hwnd, msg, wParam, lParam);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + data->cbData + sizeof(wchar_t));
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  RECT r;
  GetClientRect(target, &r);
  *header = DROPFILES{sizeof(DROPFILES), POINT{r.right / 2, r.bottom / 2}, FALSE, TRUE};
  memcpy(header + 1, data->lpData, data->cbData);
  GlobalUnlock(memory);
  PostMessageW(target, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);  // the receiver frees it
  return TRUE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (const auto workerExit = registration::RunEntryWorkerIfAsked()) return *workerExit;
  if (GetEnvironmentVariableW(L"VESK_TEST_DROPS", nullptr, 0)) {
    WNDCLASSW wc{0, &DropHook, 0, 0, instance, nullptr, nullptr, nullptr, nullptr, L"VeskTestDropHook"};
    RegisterClassW(&wc);
    CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  }
  startup::SetHeadPathObserver(&TraceAddCall);
  return startup::Run();
}
