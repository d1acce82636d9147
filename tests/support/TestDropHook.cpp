#include "TestDropHook.h"

#include <string>
#include <vector>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

namespace TestDropHook {
namespace {

UINT g_dropMessage = 0;

std::string ListFile() {
  char path[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableA(kEnvironmentVariable, path, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::string(path, n) : std::string();
}

// The lines of the list file, without their line ends; empty lines are skipped.
std::vector<std::wstring> DroppedPaths() {
  std::vector<std::wstring> paths;
  HANDLE h = CreateFileA(ListFile().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return paths;
  std::string bytes(GetFileSize(h, nullptr), '\0');
  DWORD got = 0;
  ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(h);
  bytes.resize(got);
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) {
      std::wstring wide(line.size(), L'\0');
      wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                                          wide.data(), static_cast<int>(wide.size()))));
      paths.push_back(wide);
    }
    start = end + 1;
  }
  return paths;
}

// A file list as the shell hands it over: the DROPFILES header, then the wide paths, each ended by
// a null character, and one more null character at the end. The receiver frees it (DragFinish).
HDROP BuildDrop(const std::vector<std::wstring>& paths, POINT at) {
  size_t chars = 1;
  for (const std::wstring& p : paths) chars += p.size() + 1;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + chars * sizeof(wchar_t));
  if (!memory) return nullptr;
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->pt = at;
  header->fNC = FALSE;
  header->fWide = TRUE;
  auto* text = reinterpret_cast<wchar_t*>(header + 1);
  for (const std::wstring& p : paths) {
    p.copy(text, p.size());
    text += p.size() + 1;
  }
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

LRESULT CALLBACK HookProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != g_dropMessage || g_dropMessage == 0) return DefWindowProcA(hwnd, msg, wParam, lParam);
  HWND target = reinterpret_cast<HWND>(wParam);
  if (!IsWindow(target)) return 0;
  // Dropped in the middle of the control.
  RECT r;
  GetClientRect(target, &r);
  HDROP drop = BuildDrop(DroppedPaths(), POINT{r.right / 2, r.bottom / 2});
  if (drop) SendMessageA(target, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  return 0;
}

}  // namespace

void Install() {
  if (ListFile().empty() || g_dropMessage != 0) return;
  g_dropMessage = RegisterWindowMessageA(kTestDropMessage);
  WNDCLASSA wc{};
  wc.lpfnWndProc = &HookProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = kTestDropClass;
  RegisterClassA(&wc);
  CreateWindowExA(0, kTestDropClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

}  // namespace TestDropHook
