// The program as the tests drive it from outside: the released program's start plus one hook.
// VESK_HEAD_PATH_TRACE names a file that gets a UTF-8 line for every path the window takes into the box.
#include <cstdio>
#include <string>

#include <windows.h>

#include "window/Startup.h"
#include "registration/EntryWorker.h"

namespace {

void TraceHeadPath(const std::wstring& path) {
  wchar_t file[MAX_PATH] = {};
  FILE* trace = GetEnvironmentVariableW(L"VESK_HEAD_PATH_TRACE", file, MAX_PATH) ? _wfopen(file, L"ab") : nullptr;
  char line[4 * MAX_PATH] = {};
  WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, line, sizeof line, nullptr, nullptr);
  if (trace) std::fprintf(trace, "%s\r\n", line), std::fclose(trace);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (const auto workerExit = registration::RunEntryWorkerIfAsked()) return *workerExit;
  window::SetHeadPathObserver(&TraceHeadPath);
  return window::Run();
}
