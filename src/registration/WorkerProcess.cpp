// The worker's side: the process the installer starts again with the worker switch, which waits for
// its command, runs one entry point of a head (and the check after it) and reports.
#include "registration/EntryWorker.h"

#include <cwchar>

#include <ole2.h>

#include "platform/SystemFunctions.h"
#include "platform/TrimQuotes.h"
#include "registration/DllSearch.h"
#include "registration/HeadCheck.h"
#include "registration/WorkerChannel.h"

namespace registration {
namespace {

constexpr ULONGLONG kCheckLimitMs = 3000;

// A head that ends in an unhandled exception ends the worker at once with the exception's code,
// without the system's crash report or debugger.
LONG WINAPI EndOnUnhandledException(EXCEPTION_POINTERS* info) {
  TerminateProcess(GetCurrentProcess(), info->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}


using EntryPoint = HRESULT(STDAPICALLTYPE*)();

// The check's lines into the report, as many whole lines as fit.
void WriteCheck(Report& report, const CheckReport& check) {
  std::wstring text;
  for (const std::wstring& line : check.lines) {
    if (text.size() + line.size() + 1 >= kCheckChars) break;
    text += line + L'\n';
  }
  text.copy(report.checkLines, kCheckChars - 1);
  report.checkLines[text.size()] = L'\0';
  report.checkFailed = check.failed;
}

// Runs the entry point; returns with the head released and the outcome in the report, and whether
// OLE is left to uninitialise. The window waits only until then: what the process does on its
// way out is not the head's business.
bool RunEntryPoint(wchar_t letter, Report& report, const wchar_t* path) {
  HMODULE head = LoadHead(path);
  if (!head) {
    report.loadError = GetLastError();
    SetStage(report, WorkerStage::kLoadFailed);
    return false;
  }
  SetStage(report, WorkerStage::kLoaded);
  const char* name = letter == L'r' ? "DllRegisterServer" : letter == L'u' ? "DllUnregisterServer" : nullptr;
  if (!name) {
    FreeLibrary(head);
    SetStage(report, WorkerStage::kUnknownLetter);
    return false;
  }
  // Through the generic function pointer type: the entry point's own type differs from FARPROC.
  const auto entry = reinterpret_cast<EntryPoint>(reinterpret_cast<void (*)()>(GetProcAddress(head, name)));
  if (!entry) {
    FreeLibrary(head);
    SetStage(report, WorkerStage::kNoEntryPoint);
    return false;
  }
  // Controls that use COM while they register fail without it.
  const HRESULT ole = platform::OleInitialize();
  if (FAILED(ole)) {
    FreeLibrary(head);
    report.loadError = static_cast<DWORD>(ole);
    SetStage(report, WorkerStage::kOleFailed);
    return false;
  }
  // An export: the head is loaded and OLE ready with the real registry, the entry point runs against the scratch keys.
  const bool exporting = report.exportOrder.scratch[0] != L'\0';
  if (exporting && (report.exportOrder.error = PointRootsAtScratch(report.exportOrder.scratch))) {
    FreeLibrary(head);
    return true;
  }
  // The check shares the head's time limit: it looks at the list for at most a third of it each time.
  const auto deadline = [] { return GetTickCount64() + kCheckLimitMs; };
  const std::vector<ServedEntry> before = letter == L'u' ? EntriesServedBy(path, deadline()) : std::vector<ServedEntry>{};
  SetStage(report, WorkerStage::kEntryRunning);
  report.status = static_cast<DWORD>(entry());
  SetStage(report, WorkerStage::kReturned);
  if (IsSuccessStatus(report.status) && !exporting) WriteCheck(report, letter == L'u' ? CheckUnregistered(before) : CheckRegistered(path, deadline()));
  FreeLibrary(head);
  return true;
}

}  // namespace

std::optional<int> RunEntryWorkerIfAsked() {
  const wchar_t* args = SkipProgramPath(GetCommandLineW());
  const size_t switchLength = std::wcslen(kWorkerSwitch);
  if (std::wcsncmp(args, kWorkerSwitch, switchLength) != 0) return std::nullopt;
  // No box of the system's for a missing drive, a missing DLL or a crash: the window reports.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(&EndOnUnhandledException);
  HANDLE handles[5] = {};  // channel, go, done, ready, installer
  wchar_t* at = const_cast<wchar_t*>(args + switchLength);
  for (HANDLE& handle : handles) {
    if (*at != L' ') return 2;
    handle = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(std::wcstoull(at + 1, &at, 16)));
  }
  auto* channel = static_cast<Channel*>(MapViewOfFile(handles[0], FILE_MAP_WRITE, 0, 0, sizeof(Channel)));
  if (!channel) return 2;
  SetEvent(handles[3]);
  // Parked until the window hands over a head; an installer that goes first takes the worker along.
  const HANDLE goOrGone[] = {handles[1], handles[4]};
  if (WaitForMultipleObjects(2, goOrGone, FALSE, INFINITE) != WAIT_OBJECT_0) return 0;
  channel->path[kMaxPath - 1] = L'\0';
  const bool oleInitialised = RunEntryPoint(channel->letter, *channel, channel->path);
  SetEvent(handles[2]);
  if (oleInitialised) platform::OleUninitialize();
  return 0;
}

}  // namespace registration
