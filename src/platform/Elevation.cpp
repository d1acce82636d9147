#include "platform/Elevation.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/SingleInstance.h"
#include "platform/SystemFunctions.h"

namespace elevation {
namespace {

// How long the new instance may take from its start to its window.
constexpr ULONGLONG kWindowWaitMs = 30000;

// The elevated start, made on a thread of its own: the consent prompt may stay open for long.
struct ElevatedStart {
  std::wstring program;
  std::wstring parameters;
  HANDLE process = nullptr;  // the new instance, once started

  static DWORD WINAPI Run(void* self) {
    auto& start = *static_cast<ElevatedStart*>(self);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"runas";
    info.lpFile = start.program.c_str();
    info.lpParameters = start.parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (system_functions::ShellExecuteExW(&info)) start.process = info.hProcess;
    return 0;
  }
};

struct WindowSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND hwnd, LPARAM search) {
  auto& s = *reinterpret_cast<WindowSearch*>(search);
  wchar_t name[32] = {};
  DWORD processId = 0;
  GetWindowThreadProcessId(hwnd, &processId);
  if (processId != s.processId || !GetClassNameW(hwnd, name, 32) || lstrcmpW(name, kMainWindowClass) != 0) return TRUE;
  s.found = hwnd;
  return FALSE;
}

// Waits for the object, the program's window answering meanwhile when there is one.
bool WaitFor(HANDLE object, DWORD limitMs) {
  if (MainView* view = ProgramView()) return view->WaitAnswering({object}, limitMs);
  return WaitForSingleObject(object, limitMs) == WAIT_OBJECT_0;
}

// The new instance's main window once it is there; null when the process ends or takes too long.
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
  // The new instance shares the single-instance object until this one gives way: a start meanwhile
  // (during the consent prompt, too) hands its path to this one, which passes it on.
  ElevatedStart start{paths::ProgramPath(), std::wstring(single_instance::kSuccessorSwitch)};
  if (!headPath.empty()) start.parameters += L" \"" + headPath + L"\"";
  const HANDLE thread = CreateThread(nullptr, 0, &ElevatedStart::Run, &start, 0, nullptr);
  if (!thread) return;
  if (!WaitFor(thread, INFINITE)) WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  if (!start.process) return;  // declined or failed: this one goes on as before
  const HWND successor = WaitForWindowOf(start.process);
  CloseHandle(start.process);
  if (!successor) return;
  single_instance::Release();
  if (MainView* view = ProgramView()) view->GiveWay(successor);
}

}  // namespace elevation
