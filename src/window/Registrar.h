#pragma once
// Makes a head file register or unregister itself in a worker process and reports the outcome in
// the panel. Workers still running after the time limit are watched: each one's outcome is one more
// panel line when it ends.
#include <memory>
#include <string>
#include <vector>

#include "platform/MainView.h"
#include "registration/EntryWorker.h"

namespace window {

// The timer of the view's window that watches late workers; its ticks go to OnLateWorkerTimer.
inline constexpr UINT_PTR kLateWorkerTimer = 2;

class Registrar {
 public:
  explicit Registrar(MainView& view) : view_(view) {}
  ~Registrar() { EndWorkers(); }
  Registrar(const Registrar&) = delete;
  Registrar& operator=(const Registrar&) = delete;

  // Runs the head's entry point for commandLetter (see EntryPointName) within the time limit,
  // the window answering meanwhile, and appends the outcome to the panel.
  void Run(std::wstring path, const std::wstring& commandLetter);
  void OnLateWorkerTimer();
  // Has a worker ready for the command that is likely to follow.
  void PrepareWorker() { spare_.Prepare(); }
  // Asks about each head still running past the time limit (only about those on path, unless it is
  // empty) whether to end it and then do what the user wants (then: "close", "go on"). Yes ends it;
  // false once the user lets one run on.
  bool EndLateWorkers(const std::wstring& then, const std::wstring& path = L"");
  // Ends every worker still running (the window closes).
  void EndWorkers();

 private:
  void WatchLateWorker(std::unique_ptr<registration::EntryWorker> worker);

  MainView& view_;
  std::vector<std::unique_ptr<registration::EntryWorker>> lateWorkers_;
  // Workers whose work is done but whose process has not quite ended yet.
  std::vector<std::unique_ptr<registration::EntryWorker>> exitingWorkers_;
  registration::SpareWorker spare_;
};

}  // namespace window
