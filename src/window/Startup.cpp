#include "window/Startup.h"

#include <cstdio>
#include <vector>

#include "window/MainWindow.h"
#include "platform/AnsiText.h"
#include "platform/HandOffProof.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/SingleInstance.h"
#include "platform/TrimQuotes.h"

namespace window {
namespace {

HeadPathObserver g_headPathObserver = nullptr;

// How long a second start waits for the running instance: for its window to appear (it may be
// starting at this very moment, on a machine busy enough to take many seconds), and for it to handle
// the path. A path given up on is lost: the limits are generous.
constexpr DWORD kWindowWaitMs = 30000;
constexpr UINT kHandOffWaitMs = 15000;

HWND FindMainWindow() { return FindWindowW(kMainWindowClass, MainWindow::kCaption); }

HWND WaitForMainWindow() {
  const ULONGLONG deadline = GetTickCount64() + kWindowWaitMs;
  HWND found = FindMainWindow();
  while (!found && GetTickCount64() < deadline) {
    Sleep(50);
    found = FindMainWindow();
  }
  return found;
}

// Above every other window, then back among the ordinary ones: in front, but not kept on top.
// For a running instance that did not answer: one that answers comes forward by itself.
void BringToFront(HWND hwnd) {
  constexpr UINT kPlaceOnly = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW;
  ShowWindow(hwnd, IsIconic(hwnd) ? SW_RESTORE : SW_SHOW);
  SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, kPlaceOnly);
  SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, kPlaceOnly);
  // A program the user has just started may hand the foreground on.
  SetForegroundWindow(hwnd);
}

// The text in the system code page; nothing when a character has no place in it.
std::optional<std::string> InCodePage(const std::wstring& text) {
  if (text.empty()) return std::string();
  BOOL lossy = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, &lossy);
  if (n <= 0 || lossy) return std::nullopt;
  return ToAnsi(text);
}

// Hands the command to the running instance, which comes forward (with or without a path).
void HandOver(HWND running, const std::wstring& command) {
  if (!running) return;
  DWORD runningProcess = 0;
  GetWindowThreadProcessId(running, &runningProcess);
  // This start is the user's latest action: the running instance may take the foreground.
  AllowSetForegroundWindow(runningProcess);
  if (!SendHandOff(running, command) && IsWindowVisible(running)) BringToFront(running);
}

// Removes the switch from the front of the arguments; whether it was there.
bool TakeSwitch(std::wstring& arguments, const std::wstring& word) {
  if (!arguments.starts_with(word) || (arguments.size() > word.size() && arguments[word.size()] != L' ')) return false;
  const size_t rest = arguments.find_first_not_of(L' ', word.size());
  arguments.erase(0, rest == std::wstring::npos ? arguments.size() : rest);
  return true;
}

// What follows the successor switch: the user's account and the folder for the copies of removed keys,
// as the instance that restarted this one works with them (S-1-5-21-... "C:\...\Removed\").
void TakeSuccessorArguments(std::wstring& arguments) {
  const wchar_t* user = arguments.c_str();
  const wchar_t* folder = wcsstr(user, L" \"");
  const wchar_t* folderEnd = folder ? wcschr(folder + 2, L'"') : nullptr;
  if (!folderEnd || wcsncmp(user, L"S-", 2) != 0) return;
  platform::TakeRemovedCopiesFolder(std::wstring(folder + 2, folderEnd), std::wstring(user, folder));
  const wchar_t* rest = folderEnd + 1;
  while (*rest == L' ') ++rest;
  arguments.erase(0, static_cast<size_t>(rest - user));
}

void RunMessageLoop(MainWindow& window) {
  MSG msg;
  while (window.Loaded() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (window.Loaded() && IsDialogMessageW(window.hWnd(), &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace

void DeleteLogFile(const char* path) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(path, &found);
  if (search == INVALID_HANDLE_VALUE) return;
  FindClose(search);
  constexpr DWORD kNotOrdinary = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
  if (found.dwFileAttributes & kNotOrdinary) return;
  DeleteFileA(path);  // a file that cannot be deleted does not stop start-up
}

std::wstring CommandText() {
  std::wstring text = SkipProgramPath(GetCommandLineW());
  while (!text.empty() && (text.back() == L' ' || text.back() == L'\t')) text.pop_back();
  return text;
}

bool SendHandOff(HWND target, const std::wstring& text) {
  if (!target) return false;
  // Without a path the running instance only comes forward.
  COPYDATASTRUCT cds{kHandOffNoPath, 0, nullptr};
  std::string payload;
  if (!text.empty()) {
    const std::optional<std::string> narrow = InCodePage(text);
    cds.dwData = narrow ? kHandOffData : kHandOffDataWide;
    payload = narrow ? *narrow : std::string(reinterpret_cast<const char*>(text.c_str()), text.size() * sizeof(wchar_t));
    payload.append(narrow ? 1 : sizeof(wchar_t), '\0');
  }
  // Behind the path, where a receiver that reads up to the zero does not look.
  payload += platform::ProofOf(target);
  cds.cbData = static_cast<DWORD>(payload.size());
  cds.lpData = payload.data();
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_NORMAL, kHandOffWaitMs,
                             &result) != 0;
}

bool IsHandOff(LPARAM copyData) {
  if (!copyData) return false;
  const ULONG_PTR kind = reinterpret_cast<const COPYDATASTRUCT*>(copyData)->dwData;
  return kind == kHandOffData || kind == kHandOffDataWide || kind == kHandOffNoPath;
}

bool CarriesProof(LPARAM copyData) {
  if (!IsHandOff(copyData)) return false;
  const auto& cds = *reinterpret_cast<const COPYDATASTRUCT*>(copyData);
  if (!cds.lpData || cds.cbData < platform::kProofBytes) return false;
  const char* end = static_cast<const char*>(cds.lpData) + cds.cbData;
  return platform::IsOwnProof(end - platform::kProofBytes, platform::kProofBytes);
}

std::optional<std::wstring> HandOffPath(LPARAM copyData, bool proven) {
  // The platform's own record: its size differs between 32-bit and 64-bit processes.
  COPYDATASTRUCT cds{};
  if (copyData) cds = *reinterpret_cast<const COPYDATASTRUCT*>(copyData);
  if (cds.dwData != kHandOffData && cds.dwData != kHandOffDataWide) return std::nullopt;
  if (!cds.lpData) cds.cbData = 0;
  if (proven) cds.cbData -= static_cast<DWORD>(platform::kProofBytes);
  std::wstring text;
  if (cds.dwData == kHandOffData) {
    std::vector<char> buffer(static_cast<size_t>(cds.cbData) + 1, '\0');
    if (cds.cbData) memcpy(buffer.data(), cds.lpData, cds.cbData);
    text = FromAnsi(std::string(buffer.data(), buffer.size()));
  } else {
    std::vector<wchar_t> buffer(cds.cbData / sizeof(wchar_t) + 1, L'\0');
    if (cds.cbData) memcpy(buffer.data(), cds.lpData, cds.cbData / sizeof(wchar_t) * sizeof(wchar_t));
    text.assign(buffer.data(), buffer.size());
  }
  text.resize(text.find(L'\0'));
  return text;
}

int Run() {
  DeleteLogFile();
  std::wstring arguments = CommandText();
  const bool successor = TakeSwitch(arguments, platform::kSuccessorSwitch);
  if (successor) TakeSuccessorArguments(arguments);
  std::wstring command = TrimQuotes(arguments);
  // A relative path names a file from here: the running instance (and later this one) stands elsewhere.
  if (!command.empty()) command = platform::FullPath(command);
  // Not the folder it was started in, which may be a head's (a double-click in Explorer).
  SetCurrentDirectoryW(platform::NeutralFolder().c_str());
  HWND running = FindMainWindow();
  // Asked before any window of this process exists.
  if (successor) {
    platform::Join();
  } else if (!platform::Claim()) {
    HandOver(running ? running : WaitForMainWindow(), command);
    return 0;
  }
  platform::PublishProof();
  MainWindow window;
  window.Show(command, successor);
  RunMessageLoop(window);
  return 0;
}

void SetHeadPathObserver(HeadPathObserver observer) { g_headPathObserver = observer; }

void NotifyHeadPath(const std::wstring& path) {
  if (g_headPathObserver) g_headPathObserver(path);
}

}  // namespace window
