#pragma once
// Start-up and the single-instance hand-off.
#include <optional>
#include <string>

#include <windows.h>

namespace window {

inline constexpr char kLogFile[] = "C:\\vesklog.log";
// The hand-off message's two forms: the path in the system code page with one zero byte, or,
// for a path the code page cannot hold, in UTF-16 with one zero character.
inline constexpr ULONG_PTR kHandOffData = 3;
inline constexpr ULONG_PTR kHandOffDataWide = 4;
// A start without a path: the running instance only comes forward.
inline constexpr ULONG_PTR kHandOffNoPath = 5;

// The process start: deletes the log file, trims the command line, and either becomes the running
// instance (shows the main window and runs until it closes) or hands its command to the running one.
// Returns the process exit code.
int Run();

// The command-line arguments without the program's own path, as one text.
std::wstring CommandText();

// Deletes the log file when a probe finds it as an ordinary file (not hidden, not system).
void DeleteLogFile(const char* path = kLogFile);

// Sends text to a running instance's main window as the hand-off message; waits a bounded time
// for it to be handled. The code page form when the text fits the code page, else UTF-16; an empty
// text as the message without a path; the proof of the window's process behind it. False when the
// window did not answer in time.
bool SendHandOff(HWND target, const std::wstring& text);

// Whether a WM_COPYDATA message (its lParam) is a hand-off, with a path or without.
bool IsHandOff(LPARAM copyData);
// Whether a hand-off ends with this instance's proof (see HandOffProof.h): a process that may hand
// over sent it.
bool CarriesProof(LPARAM copyData);
// The path carried by a hand-off message (proven: without the proof at its end): the text before the
// first zero; nothing when the message carries no path or is no hand-off.
std::optional<std::wstring> HandOffPath(LPARAM copyData, bool proven);

// Who is told of every path the main window takes from the command line or a hand-off (none
// unless set).
using HeadPathObserver = void (*)(const std::wstring& path);
void SetHeadPathObserver(HeadPathObserver observer);
void NotifyHeadPath(const std::wstring& path);

}  // namespace window
