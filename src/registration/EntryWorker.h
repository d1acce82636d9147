#pragma once
// The worker process that runs one self-registration entry point of a head file.
//
// A head is native code of unknown quality: it may fault, end its thread or the whole process,
// hang in its DllMain or wait on a box of its own. Run inside the installer, any of these could
// take the window down or freeze it for good (the loader lock, heap locks and process exit cannot
// be contained). So the installer starts its own executable again with a private switch; that
// process waits for its command, loads the head, calls the entry point on its main thread with OLE
// initialised, frees the head and ends. Command and outcome pass through a small block of shared
// memory; the process's exit code tells how it ended when it did not get to the end.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/Outcome.h"
#include "registration/RegRules.h"

namespace registration {

// The worker's side: when this process was started as a worker, runs the entry point and returns
// the process exit code; otherwise returns nothing at once. Called first thing at start-up, before
// anything else of the program runs.
std::optional<int> RunEntryWorkerIfAsked();

// How a front door waits for one of objects within limitMs (the window answering meanwhile, the
// command line plainly); true when one was signalled in time.
// How long a worker process may take to start and get ready, apart from the head's own time limit.
inline constexpr DWORD kWorkerStartLimitMs = 60000;

using Wait = std::function<bool(const std::vector<HANDLE>& objects, DWORD limitMs)>;
// The command line's way: the thread simply waits.
bool WaitPlainly(const std::vector<HANDLE>& objects, DWORD limitMs);

// The window's side: one worker process.
class EntryWorker {
 public:
  // Starts a worker that waits for its command (and ends by itself if this process ends first);
  // null when the process could not be started, the system's error code in error.
  static std::unique_ptr<EntryWorker> Start(DWORD& error);
  ~EntryWorker();
  EntryWorker(const EntryWorker&) = delete;
  EntryWorker& operator=(const EntryWorker&) = delete;

  // Signalled when the worker is waiting for its command or its process has ended.
  std::vector<HANDLE> ReadySignals() const { return {process_, ready_}; }
  // Hands the worker its head and command letter (see EntryPointName); false when it has gone.
  bool Run(const std::wstring& path, const std::wstring& commandLetter);

  // Signalled when the worker has done its work (the head released, the outcome reported) or its
  // process has ended, whichever comes first.
  std::vector<HANDLE> EndSignals() const { return {process_, done_}; }
  bool Ended() const;
  // Whether the process itself has gone (it ends on its own shortly after its work is done).
  bool Exited() const;
  // The status the entry point returned, when it did.
  std::optional<std::uint32_t> ReturnedStatus() const;
  // The panel lines for the ended worker.
  std::vector<std::wstring> OutcomeLines() const;
  // Its lines with those of the check after the entry point, and the command line's exit code.
  Outcome Result() const;
  const std::wstring& Path() const { return path_; }
  // Whether it runs the unregistering entry point.
  bool Unregisters() const { return unregister_; }
  // Ends a worker that is still running.
  void Terminate();

  // An export (ExportRegistration.h): runs DllRegisterServer with this worker's registry roots
  // pointed at the scratch keys below HKEY_CURRENT_USER\scratch (ExportWorker.h).
  bool RunExport(const std::wstring& path, const std::wstring& scratch);
  // Why the worker could not point its roots at the scratch keys; 0 when it could, or did not get there.
  DWORD ScratchError() const;
  // How far the worker got.
  WorkerStage Stage() const;

 private:
  EntryWorker() = default;
  WorkerOutcome Facts() const;

  std::wstring path_;
  bool unregister_ = false;
  HANDLE process_ = nullptr;
  HANDLE mapping_ = nullptr;
  HANDLE go_ = nullptr;
  HANDLE done_ = nullptr;
  HANDLE ready_ = nullptr;
  void* channel_ = nullptr;
};

// One worker started ahead of need, on a thread of its own, so that a click does not wait for a
// process to start.
class SpareWorker {
 public:
  SpareWorker() = default;
  ~SpareWorker() { Discard(); }
  SpareWorker(const SpareWorker&) = delete;
  SpareWorker& operator=(const SpareWorker&) = delete;

  // Starts the next spare unless one is there or on its way.
  void Prepare();
  // The spare when it is started and alive, otherwise one started now on the spare's thread, waited
  // for with wait; null when none starts in time, the system's reason in error.
  std::unique_ptr<EntryWorker> Take(const Wait& wait, DWORD& error);
  // Ends the spare (the window closes).
  void Discard();

 private:
  static DWORD WINAPI Start(void* spare);
  void Join();

  HANDLE starter_ = nullptr;  // the thread starting the next spare, until it is joined
  std::unique_ptr<EntryWorker> spare_;
  DWORD startError_ = 0;      // why the last start made no spare
};

}  // namespace registration
