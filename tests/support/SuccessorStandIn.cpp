// Stands in for the program restarted as administrator, to see what the instance does when that one
// never shows a window: adds the command line it was given as a line to <its own path>.args, then ends.
#include <cstdio>

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  wchar_t path[MAX_PATH + 8] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  lstrcatW(path, L".args");
  static char line[32768];
  const int n = WideCharToMultiByte(CP_UTF8, 0, GetCommandLineW(), -1, line, sizeof line, nullptr, nullptr);
  if (FILE* file = _wfopen(path, L"ab")) std::fwrite(line, 1, n > 0 ? n - 1 : 0, file), std::fputs("\n", file), std::fclose(file);
  return 0;
}
