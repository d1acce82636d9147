#pragma once
// The worker process that runs one self-registration entry point of a head file.
//
// A head is native code of unknown quality: it may fault, end its thread or the whole process,
// hang in its DllMain or wait on a box of its own. Run inside the installer, any of these could
// take the window down or freeze it for good (the loader lock, heap locks and process exit cannot
// be contained). So the installer starts its own executable again with a private switch; that
// process loads the head, calls the entry point on its main thread with OLE initialised, frees
// the head and ends. It reports how far it got through a small shared memory block; its exit
// code tells how it ended when it did not get to the end.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "registration/RegRules.h"

namespace registration {

// The worker's side: when this process was started as a worker, runs the entry point and returns
// the process exit code; otherwise returns nothing at once. Called first thing at start-up, before
// anything else of the program runs.
std::optional<int> RunEntryWorkerIfAsked();

// The window's side: one started worker.
class EntryWorker {
 public:
  // Starts the worker on path for the command letter (see EntryPointName); null when the process
  // could not be started.
  static std::unique_ptr<EntryWorker> Start(const std::wstring& path, const std::wstring& commandLetter);
  ~EntryWorker();
  EntryWorker(const EntryWorker&) = delete;
  EntryWorker& operator=(const EntryWorker&) = delete;

  // Signalled when the worker has done its work (the head released, the outcome reported) or its
  // process has ended, whichever comes first.
  std::vector<HANDLE> EndSignals() const { return {process_, done_}; }
  bool Ended() const;
  // Whether the process itself has gone (it ends on its own shortly after its work is done).
  bool Exited() const;
  // The panel lines for the ended worker.
  std::vector<std::wstring> OutcomeLines() const;
  const std::wstring& Path() const { return path_; }
  // Ends a worker that is still running.
  void Terminate();

 private:
  EntryWorker() = default;

  std::wstring path_;
  HANDLE process_ = nullptr;
  HANDLE mapping_ = nullptr;
  HANDLE done_ = nullptr;
  void* report_ = nullptr;
};

}  // namespace registration
