#pragma once
// What the tests that start the released program as processes share: the programs, their window and
// its controls' texts, clicks.
#include <filesystem>
#include <string>

#include "TestEnv.h"

namespace programtest {

using namespace testenv;

inline const std::string kProgram = "\"" + ExeDir() + "VeskInstaller.exe\" ";
inline const std::string kTracingProgram = "\"" + ExeDir() + "VeskInstallerTesting.exe\" ";

inline std::wstring Wide(const std::string& utf8) { return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())); }

inline HWND RunningWindow() {
  HWND main = nullptr;
  PumpUntil([&] { return (main = FindWindowA("VeskMainWindow", nullptr)) && IsWindowVisible(main); }, 30000);
  return main;
}

inline std::wstring Text(HWND main, int id) {
  wchar_t text[4096] = {};
  return GetDlgItemTextW(main, id, text, 4096), text;
}

inline void Click(HWND hwnd, int x, int y) {  // at a point of the window's client area
  PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

inline void ClickButton(HWND main, int id) { Click(GetDlgItem(main, id), 5, 5); }

// A second start with no window to hand over to waits 30 s for one to appear before it gives up.
inline bool SecondStartEnds(const std::string& arguments, DWORD limitMs = 30000) {
  return Process(kProgram + arguments).WaitExit(limitMs) == 0u;
}


}  // namespace programtest
