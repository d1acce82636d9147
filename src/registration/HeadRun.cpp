#include "registration/HeadRun.h"

#include "platform/Elevation.h"
#include "platform/Paths.h"
#include "platform/SystemText.h"
#include "registration/RegRules.h"

namespace registration {
namespace {

Outcome Failure(std::wstring line, ExitCode code) {
  Outcome outcome;
  outcome.Add(std::move(line));
  outcome.Fail(code);
  return outcome;
}

std::wstring CannotStartLine(DWORD error) {
  const std::wstring reason = error == WAIT_TIMEOUT ? L"it did not start within a minute." : SystemText(error);
  return L"The worker process that runs the control could not be started" + (reason.empty() ? L"." : L": " + reason);
}

}  // namespace

HeadRun RunHead(SpareWorker& spare, std::wstring path, const std::wstring& commandLetter, const Wait& wait) {
  HeadRun run;
  std::vector<std::wstring> notes;
  // A file the probe misses (hidden, for example) may still load: note it and go on.
  if (!platform::IsPlainFile(path))
    notes.push_back(L"File not found...");
  else if (const std::wstring longPath = platform::LongPath(path); !longPath.empty())
    path = longPath;  // else a folder on the way may not be listed: the path as given

  DWORD startError = 0;
  run.worker = spare.Take(wait, startError);
  // The time limit is the head's: a worker process still starting is waited for apart.
  if (run.worker && !wait(run.worker->ReadySignals(), kWorkerStartLimitMs)) {
    run.worker->Terminate();
    run.worker.reset();
    startError = WAIT_TIMEOUT;
  }
  const ULONGLONG start = GetTickCount64();
  if (!run.worker || !run.worker->Run(path, commandLetter)) {
    run.outcome = Failure(CannotStartLine(startError ? startError : ERROR_PROCESS_ABORTED), ExitCode::kOtherFailure);
    run.worker.reset();
  } else if (const ULONGLONG spent = GetTickCount64() - start;
             spent < kTimeLimitMs && wait(run.worker->EndSignals(), kTimeLimitMs - static_cast<DWORD>(spent))) {
    run.outcome = run.worker->Result();
    if (run.outcome.exitCode == ExitCode::kRefusedRights && !platform::IsElevated()) {
      run.outcome.Add(RightsLine(commandLetter));
      run.outcome.wantsAdministrator = true;
    }
    if (run.worker->Exited()) run.worker.reset();
  } else {
    // The worker may be waiting on a question of the head's to the user: the caller decides.
    run.outcome = Failure(kTimeOutLine, ExitCode::kTimedOut);
  }
  run.outcome.lines.insert(run.outcome.lines.begin(), notes.begin(), notes.end());
  return run;
}

}  // namespace registration
