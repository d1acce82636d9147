#pragma once
// Start-up and the single-instance hand-off.
#include <string>

#include <windows.h>

namespace modMultipleInstance {

inline constexpr char kLogFile[] = "C:\\vesklog.log";
inline constexpr ULONG_PTR kHandOffData = 3;

// The process start: deletes the log file, trims the command line, and either becomes the running
// instance (shows the main window and runs until it closes) or hands its command to the running one.
// Returns the process exit code.
int Main();

// The command-line arguments without the program's own path, as one text.
std::wstring CommandText();

// Deletes the log file when a probe finds it as an ordinary file (not hidden, not system).
void DeleteLogFile(const char* path = kLogFile);

// Sends text to a running instance's main window as the hand-off message.
void SendHandOff(HWND target, const std::wstring& text);

void Hook();
void Unhook(HWND hwnd);
LRESULT CALLBACK WindowProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// Opt-in trace for tests: when the environment names a file in VESK_ADDCALL_TRACE, every path that
// AddCall puts into the head file box is appended to it as one line.
void TraceAddCall(const std::wstring& path);

}  // namespace modMultipleInstance
