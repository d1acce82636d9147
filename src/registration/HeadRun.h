#pragma once
// Registering or unregistering one head file in a worker process, within the time limit: the
// outcome as lines and an exit code, for either front door.
#include <memory>
#include <string>

#include "platform/Outcome.h"
#include "registration/EntryWorker.h"

namespace registration {

// Covers the whole worker: the load of the head, the entry point, the check after it and the release.
inline constexpr DWORD kTimeLimitMs = 10000;

struct HeadRun {
  Outcome outcome;
  // The worker when it is still running past the time limit (the outcome says kTimedOut), or when
  // its work is done but its process has not quite ended yet; null otherwise.
  std::unique_ptr<EntryWorker> worker;
};

// Runs the command (see EntryPointName) on the head in a worker taken from spare, waiting with
// wait; the caller prepares the next spare when another command may follow. A refusal for lack of rights while not elevated ends with the rights line and
// wantsAdministrator.
HeadRun RunHead(SpareWorker& spare, std::wstring path, const std::wstring& commandLetter, const Wait& wait);

}  // namespace registration
