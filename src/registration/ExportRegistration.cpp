#include "registration/ExportRegistration.h"
#include "registration/HeadRun.h"

#include <algorithm>
#include <cwchar>
#include <memory>
#include <new>

#include "platform/AnsiText.h"
#include "platform/Elevation.h"
#include "platform/NumberText.h"
#include "platform/Paths.h"
#include "platform/RegistryKey.h"
#include "platform/SystemText.h"
#include "registration/EntryWorker.h"
#include "registration/ExportFile.h"
#include "registration/ExportRules.h"

namespace registration {
namespace {

// The limits of a registration: the worker's start apart, the head's own time, and a moment for the
// worker's process to go once its work is done or it was ended.
constexpr DWORD kExitLimitMs = 5000;

// Scratch keys live below HKEY_CURRENT_USER\Software, which every user may write and both registry
// views share, as "Vesk Installer scratch <process id> <process start> <number>".
constexpr wchar_t kSoftware[] = L"Software";
constexpr wchar_t kScratchPrefix[] = L"Vesk Installer scratch ";

Bitness OwnBitness() { return sizeof(void*) == 8 ? Bitness::k64 : Bitness::k32; }

ULONGLONG StartOf(HANDLE process) {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return static_cast<ULONGLONG>(created.dwHighDateTime) << 32 | created.dwLowDateTime;
}

std::wstring OwnTag() {
  return DecimalText(GetCurrentProcessId()) + L" " + HexText(StartOf(GetCurrentProcess()));
}

// Whether the process that made scratch keys tagged "<process id> <process start> ..." has ended.
bool MakerEnded(const std::wstring& tag) {
  wchar_t* end = nullptr;
  const DWORD id = static_cast<DWORD>(std::wcstoul(tag.c_str(), &end, 10));
  if (*end != L' ') return false;  // not a name of ours: left alone
  const ULONGLONG start = std::wcstoull(end + 1, &end, 16);
  const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
  if (!process) return GetLastError() == ERROR_INVALID_PARAMETER;  // no such process
  DWORD code = 0;
  const bool ended = StartOf(process) != start || (GetExitCodeProcess(process, &code) && code != STILL_ACTIVE);
  CloseHandle(process);
  return ended;
}

// Scratch keys that an export left behind when its process was ended before it could delete them.
void RemoveLeftovers() {
  const std::optional<std::vector<std::wstring>> names = ListRegistrySubKeys(HKEY_CURRENT_USER, kSoftware);
  for (const std::wstring& name : names.value_or(std::vector<std::wstring>{}))
    if (name.starts_with(kScratchPrefix) && MakerEnded(name.substr(std::wcslen(kScratchPrefix))))
      (void)DeleteRegistryTree(HKEY_CURRENT_USER, std::wstring(kSoftware) + L"\\" + name);
}

// One export's scratch keys, each root's empty, deleted with all in them when this goes.
class Scratch {
 public:
  Scratch() {
    static LONG exports = 0;
    name_ = std::wstring(kSoftware) + L"\\" + kScratchPrefix + OwnTag() + L" " + DecimalText(InterlockedIncrement(&exports));
    (void)DeleteRegistryTree(HKEY_CURRENT_USER, name_);
    for (ScratchRoot root : kScratchRoots)
      if (!error_) error_ = RegistryKey::Create(HKEY_CURRENT_USER, name_ + L"\\" + ScratchKeyName(root), KEY_READ).Status();
  }
  ~Scratch() { (void)DeleteRegistryTree(HKEY_CURRENT_USER, name_); }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  const std::wstring& Name() const { return name_; }
  LSTATUS Error() const { return error_; }

 private:
  std::wstring name_;
  LSTATUS error_ = ERROR_SUCCESS;
};

bool WaitExit(const EntryWorker& worker, DWORD limitMs) {
  const ULONGLONG start = GetTickCount64();
  while (!worker.Exited() && GetTickCount64() - start < limitMs) Sleep(10);
  return worker.Exited();
}

// The worker, ended when it goes: its process is gone before the scratch keys are deleted, so that
// nothing of the head's can write into them afterwards.
struct EndedWorker {
  std::unique_ptr<EntryWorker> worker;
  ~EndedWorker() { End(); }
  void End() {
    if (!worker) return;
    // Done with its work, it ends by itself in a moment; otherwise, or when it does not, it is ended.
    if (!(worker->Ended() && WaitExit(*worker, kExitLimitMs))) worker->Terminate();
    WaitExit(*worker, kExitLimitMs);
  }
};

Outcome& Failed(Outcome& outcome, std::wstring line, ExitCode code) {
  outcome.Add(std::move(line));
  outcome.Fail(code);
  return outcome;
}

// The command line's code for a worker that ended without a registration to save.
ExitCode FailureCode(const EntryWorker& worker, const std::vector<std::wstring>& lines) {
  switch (worker.Stage()) {
    case WorkerStage::kLoadFailed:
      for (Bitness other : {Bitness::k32, Bitness::k64})
        if (other != OwnBitness() && std::find(lines.begin(), lines.end(), OtherBitnessLine(other)) != lines.end())
          return ExitCode::kOtherBitness;
      return ExitCode::kLoadFailed;
    case WorkerStage::kStarting: return ExitCode::kLoadFailed;  // ended while the head loaded
    case WorkerStage::kNoEntryPoint: return ExitCode::kNoEntryPoint;
    case WorkerStage::kUnknownLetter: return ExitCode::kOtherFailure;
    default: return ExitCode::kEntryFailed;  // a failure status, or the head ended the worker
  }
}

// Saves what the head wrote into the scratch keys.
void Save(Outcome& outcome, const std::wstring& scratch, const std::wstring& head, const std::wstring& regFile) {
  const CaughtRegistration caught = ReadScratch(scratch, head, OwnBitness());
  if (caught.error) {
    Failed(outcome, L"What it registered could not be read (" + caught.failedAt + L": " + SystemText(caught.error) + L")",
           ExitCode::kOtherFailure);
    return;
  }
  SYSTEMTIME now;
  GetLocalTime(&now);
  const std::optional<std::wstring> text = ExportText(caught, head, OwnBitness(), now);
  if (!text) {
    Failed(outcome, L"A key or value name holds a line break, which a .reg file cannot carry.", ExitCode::kOtherFailure);
    return;
  }
  if (const DWORD error = WriteWholeFile(regFile, *text)) {
    Failed(outcome, regFile + L" could not be written: " + SystemText(error), ExitCode::kOtherFailure);
    return;
  }
  outcome.Add(L"Saved what it registers (" + DecimalText(static_cast<long long>(caught.keys.size())) + L" keys, " +
              DecimalText(static_cast<long long>(caught.values)) + L" values) to " + regFile + L".");
  if (!caught.ownPathValues.empty())
    outcome.Add(L"It wrote its own path into " + DecimalText(static_cast<long long>(caught.ownPathValues.size())) +
                L" values: the file's first lines name them.");
}

void Export(Outcome& outcome, std::wstring head, const std::wstring& regFile, const Wait& wait) {
  // A file the probe misses (hidden, for example) may still load: note it and go on.
  if (!platform::IsPlainFile(head))
    outcome.Add(L"File not found...");
  else if (const std::wstring longPath = platform::LongPath(head); !longPath.empty())
    head = longPath;
  head = platform::FullPath(head);
  RemoveLeftovers();
  const Scratch scratch;
  if (scratch.Error()) {
    Failed(outcome, L"The scratch keys could not be made: " + SystemText(scratch.Error()), ExitCode::kOtherFailure);
    return;
  }
  DWORD startError = 0;
  EndedWorker ended{EntryWorker::Start(startError)};
  EntryWorker* worker = ended.worker.get();
  if (!worker) {
    Failed(outcome, L"The worker process that runs the control could not be started: " + SystemText(startError),
           ExitCode::kOtherFailure);
    return;
  }
  if (!wait(worker->ReadySignals(), kWorkerStartLimitMs) || !worker->RunExport(head, scratch.Name())) {
    Failed(outcome, L"Process failed in obtaining entry point or creating thread.", ExitCode::kOtherFailure);
    return;
  }
  if (!wait(worker->EndSignals(), kTimeLimitMs) || !worker->Ended()) {
    Failed(outcome, L"Process failed in signaled state or time-out.", ExitCode::kTimedOut);
    return;
  }
  if (worker->ScratchError()) {
    Failed(outcome, L"The scratch keys could not be taken as the registry: " + SystemText(worker->ScratchError()),
           ExitCode::kOtherFailure);
    return;
  }
  const std::vector<std::wstring> lines = worker->OutcomeLines();
  for (const std::wstring& line : lines) outcome.Add(line);
  const std::optional<std::uint32_t> status = worker->ReturnedStatus();
  if (status && IsSuccessStatus(*status)) {
    // Read once the head can write no more: its process has gone.
    ended.End();
    Save(outcome, scratch.Name(), head, regFile);
    return;
  }
  if (status && IsRefusedForRights(*status) && !platform::IsElevated()) {
    outcome.wantsAdministrator = true;
    Failed(outcome, RightsLine(L""), ExitCode::kRefusedRights);
    return;
  }
  outcome.Fail(FailureCode(*worker, lines));
}

}  // namespace

Outcome ExportRegistration(const std::wstring& head, const std::wstring& regFile, const Wait& wait) {
  Outcome outcome;
  try {
    Export(outcome, head, platform::FullPath(regFile), wait);
  } catch (const std::bad_alloc&) {
    Failed(outcome, L"Out of memory", ExitCode::kOtherFailure);
  } catch (const std::exception& fault) {
    Failed(outcome, FromAnsi(fault.what()), ExitCode::kOtherFailure);
  }
  return outcome;
}

}  // namespace registration
