#include "registration/EntryWorker.h"

#include <algorithm>
#include <cwchar>

#include <ole2.h>

#include "platform/Paths.h"
#include "platform/NumberText.h"
#include "platform/TrimQuotes.h"
#include "platform/SystemFunctions.h"
#include "platform/SystemText.h"
#include "registration/DllSearch.h"
#include "registration/HeadCheck.h"
#include "registration/ExportWorker.h"

namespace registration {

namespace {

// The switch that makes the executable a worker, followed by five handles it inherits, in hex:
//   <program> /vesk-entry-worker <channel> <go> <done> <ready> <installer process>
constexpr wchar_t kWorkerSwitch[] = L"/vesk-entry-worker";
constexpr size_t kMaxPath = 32768;
constexpr size_t kCheckChars = 16384;
constexpr ULONGLONG kCheckLimitMs = 3000;

// What the two processes share: the command the window writes before it signals go (letter: r
// register, u unregister, ? a letter that names no entry point), and what the worker reports.
struct Channel {
  wchar_t letter;
  wchar_t path[kMaxPath];
  volatile LONG stage;
  DWORD loadError;
  DWORD status;
  // The check after a successful entry point: its lines, each ended by '\n', and whether it failed.
  LONG checkFailed;
  wchar_t checkLines[kCheckChars];
  ExportOrder exportOrder;  // an export: a registration caught in scratch keys
};
using Report = Channel;

void SetStage(Report& report, WorkerStage stage) { InterlockedExchange(&report.stage, static_cast<LONG>(stage)); }

// ---------------------------------------------------------------- the worker's side

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
  const HRESULT ole = system_functions::OleInitialize();
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

std::wstring OwnPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) return path.substr(0, n);
    path.resize(path.size() * 2);
  }
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
  if (oleInitialised) system_functions::OleUninitialize();
  return 0;
}

// This process, as a handle a worker inherits (made once, kept for the life of the process).
HANDLE InheritableSelf() {
  static const HANDLE self = [] {
    HANDLE handle = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &handle, SYNCHRONIZE, TRUE, 0);
    return handle;
  }();
  return self;
}

std::wstring Hex(HANDLE handle) { return HexText(reinterpret_cast<ULONG_PTR>(handle)); }

std::unique_ptr<EntryWorker> EntryWorker::Start(DWORD& error) {
  error = ERROR_SUCCESS;
  std::unique_ptr<EntryWorker> worker(new EntryWorker);
  const auto failed = [&error] {
    error = GetLastError();
    return nullptr;
  };
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  worker->mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, &inherited, PAGE_READWRITE, 0, sizeof(Channel), nullptr);
  if (!worker->mapping_) return failed();
  worker->channel_ = MapViewOfFile(worker->mapping_, FILE_MAP_WRITE, 0, 0, sizeof(Channel));
  worker->go_ = CreateEventW(&inherited, TRUE, FALSE, nullptr);
  worker->done_ = CreateEventW(&inherited, TRUE, FALSE, nullptr);
  worker->ready_ = CreateEventW(&inherited, TRUE, FALSE, nullptr);
  if (!worker->channel_ || !worker->go_ || !worker->done_ || !worker->ready_ || !InheritableSelf()) return failed();

  const std::wstring program = OwnPath();
  std::wstring commandLine = L"\"" + program + L"\" " + kWorkerSwitch + L" " + Hex(worker->mapping_) + L" " +
                             Hex(worker->go_) + L" " + Hex(worker->done_) + L" " + Hex(worker->ready_) + L" " +
                             Hex(InheritableSelf());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_FORCEOFFFEEDBACK;  // no "working in background" pointer for a process nobody sees
  PROCESS_INFORMATION started{};
  // Standing in no head's folder: a head loads by its full path, and its folder stays free to go.
  const std::wstring folder = paths::NeutralFolder();
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(),
                      &startup, &started))
    return failed();
  CloseHandle(started.hThread);
  worker->process_ = started.hProcess;
  return worker;
}

bool EntryWorker::RunExport(const std::wstring& path, const std::wstring& scratch) {
  auto& order = static_cast<Channel*>(channel_)->exportOrder;
  if (scratch.empty() || scratch.size() >= std::size(order.scratch)) return false;
  order.scratch[scratch.copy(order.scratch, std::size(order.scratch) - 1)] = L'\0';
  return Run(path, L"");
}

DWORD EntryWorker::ScratchError() const { return static_cast<const Report*>(channel_)->exportOrder.error; }

WorkerStage EntryWorker::Stage() const { return static_cast<WorkerStage>(static_cast<const Report*>(channel_)->stage); }

bool EntryWorker::Run(const std::wstring& path, const std::wstring& commandLetter) {
  if (Exited()) return false;
  // A relative path would be looked for from wherever the worker stands.
  path_ = paths::FullPath(path);
  unregister_ = EntryPointName(commandLetter) && !commandLetter.empty();
  auto& channel = *static_cast<Channel*>(channel_);
  channel.letter = !EntryPointName(commandLetter) ? L'?' : commandLetter.empty() ? L'r' : L'u';
  path_.copy(channel.path, kMaxPath - 1);
  channel.path[std::min(path_.size(), kMaxPath - 1)] = L'\0';
  return SetEvent(go_) != FALSE;
}

EntryWorker::~EntryWorker() {
  if (channel_) UnmapViewOfFile(channel_);
  if (go_) CloseHandle(go_);
  if (done_) CloseHandle(done_);
  if (ready_) CloseHandle(ready_);
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

std::optional<std::uint32_t> EntryWorker::ReturnedStatus() const {
  const auto& report = *static_cast<const Report*>(channel_);
  if (static_cast<WorkerStage>(report.stage) != WorkerStage::kReturned) return std::nullopt;
  return report.status;
}

Outcome EntryWorker::Result() const {
  const auto& report = *static_cast<const Report*>(channel_);
  Outcome outcome;
  outcome.lines = OutcomeLines();
  outcome.Fail(ExitCodeOf(Facts()));
  if (outcome.Succeeded() && static_cast<WorkerStage>(report.stage) == WorkerStage::kReturned) {
    std::wstring_view lines(report.checkLines, wcsnlen(report.checkLines, kCheckChars));
    for (size_t end; (end = lines.find(L'\n')) != std::wstring_view::npos; lines.remove_prefix(end + 1))
      outcome.Add(std::wstring(lines.substr(0, end)));
    if (report.checkFailed) outcome.Fail(ExitCode::kCheckFailed);
  }
  return outcome;
}

std::vector<std::wstring> EntryWorker::OutcomeLines() const {
  WorkerOutcome outcome = Facts();
  // Read here, not by the worker: what the control needs is read from its file, not loaded.
  outcome.missingPieces = DescribeMissingPieces(path_, WhatToLookFor(outcome));
  return registration::OutcomeLines(outcome);
}

WorkerOutcome EntryWorker::Facts() const {
  const auto& report = *static_cast<const Report*>(channel_);
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
  return outcome;
}

bool WaitPlainly(const std::vector<HANDLE>& objects, DWORD limitMs) {
  return WaitForMultipleObjects(static_cast<DWORD>(objects.size()), objects.data(), FALSE, limitMs) <
         WAIT_OBJECT_0 + objects.size();
}

DWORD WINAPI SpareWorker::Start(void* spare) {
  auto* self = static_cast<SpareWorker*>(spare);
  self->spare_ = EntryWorker::Start(self->startError_);
  return 0;
}

void SpareWorker::Join() {
  if (!starter_) return;
  WaitForSingleObject(starter_, INFINITE);
  CloseHandle(starter_);
  starter_ = nullptr;
}

void SpareWorker::Prepare() {
  if (starter_ || spare_) return;
  // Without a thread the next command starts its worker itself.
  starter_ = CreateThread(nullptr, 0, &SpareWorker::Start, this, 0, nullptr);
}

std::unique_ptr<EntryWorker> SpareWorker::Take(const Wait& wait, DWORD& error) {
  // Up to two starts: a spare that has gone meanwhile (ended by hand, say) is replaced once.
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!starter_ && !spare_) {
      Prepare();
      if (!starter_) spare_ = EntryWorker::Start(startError_);  // no thread could be made
    }
    // A process start can take long (a virus scanner holding it): the front door's wait answers.
    if (starter_ && !wait({starter_}, kWorkerStartLimitMs)) {
      error = WAIT_TIMEOUT;
      return nullptr;
    }
    Join();
    std::unique_ptr<EntryWorker> worker = std::move(spare_);
    error = startError_;
    if (worker && !worker->Exited()) return worker;
    if (!worker) return nullptr;
  }
  error = ERROR_PROCESS_ABORTED;
  return nullptr;
}

void SpareWorker::Discard() {
  Join();
  if (spare_) spare_->Terminate();
  spare_.reset();
}

}  // namespace registration
