#include "platform/Elevation.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/SingleInstance.h"
#include "platform/SystemFunctions.h"

namespace platform {
namespace {

// How long the new instance may take from its start to its window.
constexpr ULONGLONG kWindowWaitMs = 30000;

// The elevated start, made on a thread of its own: the consent prompt may stay open for long, and
// the window may close meanwhile (the thread then keeps what it works on alive by itself).
struct ElevatedStart {
  HWND owner = nullptr;  // the window the user acted in: the consent prompt comes up over it
  std::wstring program;
  std::wstring parameters;
  HANDLE process = nullptr;  // the new instance, once started
  LONG users = 2;            // the thread and the one who asked

  // The last of the two deletes it.
  void Leave() {
    if (InterlockedDecrement(&users) != 0) return;
    if (process) CloseHandle(process);
    delete this;
  }

  static DWORD WINAPI Run(void* self) {
    auto& start = *static_cast<ElevatedStart*>(self);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = start.owner;
    info.lpVerb = L"runas";
    info.lpFile = start.program.c_str();
    info.lpParameters = start.parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (platform::ShellExecuteExW(&info)) start.process = info.hProcess;
    start.Leave();
    return 0;
  }
};

// What the new instance is started with: the switch, the user's account and the folder for the
// copies of removed keys (which stay the user's when the restart runs under another account), the head.
std::wstring SuccessorParameters(const std::wstring& headPath) {
  std::wstring parameters = platform::kSuccessorSwitch;
  const std::wstring user = platform::RemovedCopiesUser(), folder = platform::RemovedCopiesFolder();
  if (!user.empty() && !folder.empty()) parameters.append(L" ").append(user).append(L" \"").append(folder).append(L"\"");
  if (!headPath.empty()) parameters.append(L" \"").append(headPath).append(L"\"");
  return parameters;
}

struct WindowSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND hwnd, LPARAM search) {
  auto& s = *reinterpret_cast<WindowSearch*>(search);
  wchar_t name[32] = {};
  DWORD processId = 0;
  GetWindowThreadProcessId(hwnd, &processId);
  if (processId != s.processId || !IsWindowVisible(hwnd) || !GetClassNameW(hwnd, name, 32) ||
      lstrcmpW(name, kMainWindowClass) != 0)
    return TRUE;
  s.found = hwnd;
  return FALSE;
}

// Waits for the object, the program's window answering meanwhile when there is one.
bool WaitFor(HANDLE object, DWORD limitMs) {
  if (MainView* view = ProgramView()) return view->WaitAnswering({object}, limitMs);
  return WaitForSingleObject(object, limitMs) == WAIT_OBJECT_0;
}

// The new instance's main window once it shows; null when the process ends or takes too long.
HWND WaitForWindowOf(HANDLE process) {
  const ULONGLONG deadline = GetTickCount64() + kWindowWaitMs;
  WindowSearch search{GetProcessId(process), nullptr};
  while (GetTickCount64() < deadline) {
    EnumWindows(&FindProcessWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found || WaitFor(process, 50)) break;
  }
  return search.found;
}

}  // namespace

bool IsElevated() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  const bool elevated =
      GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) && elevation.TokenIsElevated;
  CloseHandle(token);
  return elevated;
}

void OfferRestart(const std::wstring& reason, const std::wstring& headPath) {
  if (IsElevated()) {
    ShowBox(reason, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  if (ShowBox(reason + L"\r\n\r\nRestart as administrator?", MB_YESNO | MB_ICONEXCLAMATION) != IDYES) return;
  MainView* view = ProgramView();
  // Giving way closes this window: heads still running past their limit are asked about first.
  if (view && !view->ReadyToGiveWay()) return;
  auto* start = new ElevatedStart;
  start->owner = GetActiveWindow();
  if (!start->owner || !IsWindowVisible(start->owner)) start->owner = view ? view->Handle() : nullptr;
  // The new instance shares the single-instance object until this one gives way: a start meanwhile
  // (during the consent prompt, too) hands its path to this one, which passes it on.
  start->program = platform::ProgramPath();
  start->parameters = SuccessorParameters(headPath);
  const HANDLE thread = CreateThread(nullptr, 0, &ElevatedStart::Run, start, 0, nullptr);
  if (!thread) {
    delete start;
    return;
  }
  const bool answered = view ? view->WaitForConsent(thread) : WaitForSingleObject(thread, INFINITE) == WAIT_OBJECT_0;
  CloseHandle(thread);
  // Closed meanwhile (a restart consented to later may still come), declined, or failed: this instance
  // stays the running one until a new one shows its window.
  const HWND successor = answered && start->process ? WaitForWindowOf(start->process) : nullptr;
  start->Leave();
  if (!successor) return;
  platform::Release();
  if (view) view->GiveWay(successor);
}

}  // namespace platform
