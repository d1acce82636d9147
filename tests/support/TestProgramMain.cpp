// The program as the tests drive it from outside: the release program's start, plus two hooks a
// test needs to see into it. VESK_ADDCALL_TRACE names a file that receives every path AddCall puts
// into the head file box, one UTF-8 line each; VESK_TEST_DROPS turns on the drop hook.
#include <string>

#include <windows.h>

#include "TestDropHook.h"
#include "app/modMultipleInstance.h"
#include "registration/EntryWorker.h"

namespace {

void TraceAddCall(const std::wstring& path) {
  wchar_t file[MAX_PATH];
  const DWORD n = GetEnvironmentVariableW(L"VESK_ADDCALL_TRACE", file, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  HANDLE h = CreateFileW(file, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  std::string line(path.size() * 3 + 2, '\0');
  line.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, path.c_str(), static_cast<int>(path.size()),
                                                      line.data(), static_cast<int>(line.size()), nullptr, nullptr)));
  line += "\r\n";
  DWORD written = 0;
  WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(h);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (const auto workerExit = registration::RunEntryWorkerIfAsked()) return *workerExit;
  TestDropHook::Install();
  modMultipleInstance::SetAddCallObserver(&TraceAddCall);
  return modMultipleInstance::Main();
}
