// The window's side of a worker process: starting it, handing it its command, reading its outcome.
#include "registration/EntryWorker.h"

#include <algorithm>

#include "platform/NumberText.h"
#include "platform/Paths.h"
#include "platform/SystemText.h"
#include "registration/DllSearch.h"
#include "registration/WorkerChannel.h"

namespace registration {
namespace {

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

// Starts the worker with only the channel's handles: any other inheritable handle of this process
// (the pipe a setup program reads our output from, a file a library opened) would stay open for
// as long as the worker lives, so the reader would wait and the file could not be removed.
bool StartWorkerProcess(const std::wstring& program, std::wstring& commandLine, const std::wstring& folder,
                        std::vector<HANDLE> handed, PROCESS_INFORMATION& started) {
  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::vector<unsigned char> storage(size);
  auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
  if (size == 0 || !InitializeProcThreadAttributeList(attributes, 1, 0, &size)) return false;
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  // No standard handles either; and no "working in background" pointer for a process nobody sees.
  startup.StartupInfo.dwFlags = STARTF_FORCEOFFFEEDBACK | STARTF_USESTDHANDLES;
  startup.lpAttributeList = attributes;
  const bool made = UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handed.data(),
                                              handed.size() * sizeof(HANDLE), nullptr, nullptr) &&
                    CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                   EXTENDED_STARTUPINFO_PRESENT, nullptr, folder.c_str(), &startup.StartupInfo, &started);
  const DWORD error = GetLastError();
  DeleteProcThreadAttributeList(attributes);
  SetLastError(error);
  return made;
}

}  // namespace


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
  PROCESS_INFORMATION started{};
  // Standing in no head's folder: a head loads by its full path, and its folder stays free to go.
  if (!StartWorkerProcess(program, commandLine, platform::NeutralFolder(),
                          {worker->mapping_, worker->go_, worker->done_, worker->ready_, InheritableSelf()}, started))
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
  path_ = platform::FullPath(path);
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

}  // namespace registration
