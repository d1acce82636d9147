#include "registration/EntryWorker.h"

#include <cwchar>

#include <ole2.h>

namespace registration {

namespace {

// The switch that makes the executable a worker:
//   <program> /vesk-entry-worker <letter> <report handle> <done handle> <head path up to the end>
// (handles in hex).
// letter: r register, u unregister, ? a command letter that names no entry point.
constexpr wchar_t kWorkerSwitch[] = L"/vesk-entry-worker";

// What the worker reports; it lives in a page of memory shared by the two processes.
struct Report {
  volatile LONG stage;
  DWORD loadError;
  DWORD status;
};

void SetStage(Report& report, WorkerStage stage) { InterlockedExchange(&report.stage, static_cast<LONG>(stage)); }

// ---------------------------------------------------------------- the worker's side

// A head that ends in an unhandled exception ends the worker at once with the exception's code,
// without the system's crash report or debugger.
LONG WINAPI EndOnUnhandledException(EXCEPTION_POINTERS* info) {
  TerminateProcess(GetCurrentProcess(), info->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

// The arguments after the program's own path.
const wchar_t* SkipProgramPath(const wchar_t* p) {
  if (*p == L'"') {
    ++p;
    while (*p && *p != L'"') ++p;
    if (*p) ++p;
  } else {
    while (*p && *p != L' ' && *p != L'\t') ++p;
  }
  while (*p == L' ' || *p == L'\t') ++p;
  return p;
}

using EntryPoint = HRESULT(STDAPICALLTYPE*)();

// Runs the entry point; returns with the head released and the outcome in the report, and whether
// OLE is left to uninitialise. The window waits only until then: what the process does on its
// way out is not the head's business.
bool RunEntryPoint(wchar_t letter, Report& report, const wchar_t* path) {
  HMODULE head = LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
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
  const HRESULT ole = OleInitialize(nullptr);
  SetStage(report, WorkerStage::kEntryRunning);
  report.status = static_cast<DWORD>(entry());
  SetStage(report, WorkerStage::kReturned);
  FreeLibrary(head);
  return SUCCEEDED(ole);
}

// ---------------------------------------------------------------- the window's side

Bitness OwnBitness() { return sizeof(void*) == 8 ? Bitness::k64 : Bitness::k32; }

Bitness BitnessOfFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Bitness::kUnknown;
  std::string head(4096, '\0');
  DWORD got = 0;
  if (!ReadFile(file, head.data(), static_cast<DWORD>(head.size()), &got, nullptr)) got = 0;
  CloseHandle(file);
  head.resize(got);
  return FileBitness(head);
}

std::wstring SystemText(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, code, 0,
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = n > 0 && text ? std::wstring(text, n) : std::wstring();
  if (text) LocalFree(text);
  return message;
}

std::wstring OwnPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) return path.substr(0, n);
    path.resize(path.size() * 2);
  }
}

// A relative path would be looked for from wherever the worker stands.
std::wstring FullPath(const std::wstring& path) {
  const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  const DWORD got = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
  return got > 0 && got < n ? full.substr(0, got) : path;
}

}  // namespace

std::optional<int> RunEntryWorkerIfAsked() {
  const wchar_t* args = SkipProgramPath(GetCommandLineW());
  const size_t switchLength = std::wcslen(kWorkerSwitch);
  if (std::wcsncmp(args, kWorkerSwitch, switchLength) != 0 || args[switchLength] != L' ') return std::nullopt;
  // No box of the system's for a missing drive, a missing DLL or a crash: the window reports.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(&EndOnUnhandledException);
  wchar_t* rest = nullptr;
  const wchar_t letter = args[switchLength + 1];
  const auto mapping = reinterpret_cast<HANDLE>(std::wcstoull(args + switchLength + 2, &rest, 16));
  if (!rest || *rest != L' ') return 2;
  const auto done = reinterpret_cast<HANDLE>(std::wcstoull(rest + 1, &rest, 16));
  if (!rest || *rest != L' ') return 2;
  auto* report = static_cast<Report*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(Report)));
  if (!report) return 2;
  const bool oleInitialised = RunEntryPoint(letter, *report, rest + 1);
  SetEvent(done);
  if (oleInitialised) OleUninitialize();
  return 0;
}

std::unique_ptr<EntryWorker> EntryWorker::Start(const std::wstring& path, const std::wstring& commandLetter) {
  std::unique_ptr<EntryWorker> worker(new EntryWorker);
  worker->path_ = FullPath(path);
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  worker->mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, &inherited, PAGE_READWRITE, 0, sizeof(Report), nullptr);
  if (!worker->mapping_) return nullptr;
  worker->report_ = MapViewOfFile(worker->mapping_, FILE_MAP_WRITE, 0, 0, sizeof(Report));
  if (!worker->report_) return nullptr;
  worker->done_ = CreateEventW(&inherited, TRUE, FALSE, nullptr);
  if (!worker->done_) return nullptr;

  const char* entry = EntryPointName(commandLetter);
  const wchar_t letter = !entry ? L'?' : commandLetter.empty() ? L'r' : L'u';
  wchar_t handles[64];
  std::swprintf(handles, 64, L"%llX %llX", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(worker->mapping_)),
                static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(worker->done_)));
  const std::wstring program = OwnPath();
  std::wstring commandLine = L"\"" + program + L"\" " + kWorkerSwitch + L" " + letter + L" " + handles + L" " +
                             worker->path_;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &started))
    return nullptr;
  CloseHandle(started.hThread);
  worker->process_ = started.hProcess;
  return worker;
}

EntryWorker::~EntryWorker() {
  if (report_) UnmapViewOfFile(report_);
  if (done_) CloseHandle(done_);
  if (mapping_) CloseHandle(mapping_);
  if (process_) CloseHandle(process_);
}

bool EntryWorker::Ended() const {
  const HANDLE either[] = {process_, done_};
  return WaitForMultipleObjects(2, either, FALSE, 0) < WAIT_OBJECT_0 + 2;
}

bool EntryWorker::Exited() const { return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }

void EntryWorker::Terminate() {
  if (process_ && !Exited()) TerminateProcess(process_, ERROR_CANCELLED);
}

std::vector<std::wstring> EntryWorker::OutcomeLines() const {
  const auto& report = *static_cast<const Report*>(report_);
  WorkerOutcome outcome;
  outcome.stage = static_cast<WorkerStage>(report.stage);
  outcome.loadError = report.loadError;
  outcome.status = report.status;
  DWORD exitCode = 0;
  GetExitCodeProcess(process_, &exitCode);
  outcome.exitCode = exitCode;
  outcome.installerBitness = OwnBitness();
  if (outcome.stage == WorkerStage::kLoadFailed) {
    outcome.fileExists = GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES;
    outcome.fileBitness = BitnessOfFile(path_);
    outcome.systemText = SystemText(outcome.loadError);
  } else if (outcome.stage == WorkerStage::kReturned && !IsSuccessStatus(outcome.status)) {
    outcome.systemText = SystemText(outcome.status);
  }
  return registration::OutcomeLines(outcome);
}

}  // namespace registration
