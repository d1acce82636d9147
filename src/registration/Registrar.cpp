#include "registration/Registrar.h"

#include <algorithm>
#include <new>

#include "platform/AnsiText.h"
#include "platform/Elevation.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "registration/RegRules.h"

namespace registration {
namespace {

// Covers the whole worker: its start, the load of the head, the entry point and the release.
constexpr DWORD kTimeLimitMs = 10000;
constexpr DWORD kWorkerStartLimitMs = 60000;

std::wstring FileNameOf(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

}  // namespace

void Registrar::Run(std::wstring path, const std::wstring& commandLetter) {
  try {
    // A file the probe misses (hidden, for example) may still load: note it and go on.
    if (!paths::IsPlainFile(path))
      view_.AppendPanelLine(L"File not found...");
    else if (const std::wstring longPath = paths::LongPath(path); !longPath.empty())
      path = longPath;  // else a folder on the way may not be listed: the path as given
    // Two commands on one head at a time only when the user ends the first.
    const std::wstring fullPath = paths::FullPath(path);
    const auto sameHead = std::find_if(lateWorkers_.begin(), lateWorkers_.end(), [&](const auto& worker) {
      return !worker->Ended() && SamePath(worker->Path(), fullPath);
    });
    const bool unregistering = sameHead != lateWorkers_.end() && (*sameHead)->Unregisters();
    if (sameHead != lateWorkers_.end() && !EndLateWorkers(L"go on", fullPath)) {
      view_.AppendPanelLine(StillRunningLine(FileNameOf(fullPath), unregistering));
      return;
    }

    std::erase_if(exitingWorkers_, [](const auto& worker) { return worker->Exited(); });
    view_.SetBusyPointer(true);
    std::unique_ptr<EntryWorker> worker = spare_.Take();
    // The time limit is the head's: a worker process still starting (a busy machine, a virus scanner
    // reading the program) is waited for apart, within a limit of its own.
    if (worker && !view_.WaitAnswering(worker->ReadySignals(), kWorkerStartLimitMs)) {
      worker->Terminate();
      worker.reset();
    }
    const ULONGLONG start = GetTickCount64();
    if (!worker || !worker->Run(path, commandLetter)) {
      view_.SetBusyPointer(false);
      view_.AppendPanelLine(L"Process failed in obtaining entry point or creating thread.");
      return;
    }
    const ULONGLONG spent = GetTickCount64() - start;
    const bool ended =
        spent < kTimeLimitMs && view_.WaitAnswering(worker->EndSignals(), kTimeLimitMs - static_cast<DWORD>(spent));
    view_.SetBusyPointer(false);
    if (ended) {
      for (const std::wstring& line : worker->OutcomeLines()) view_.AppendPanelLine(line);
      const std::optional<std::uint32_t> status = worker->ReturnedStatus();
      if (!worker->Exited()) exitingWorkers_.push_back(std::move(worker));
      if (status && IsRefusedForRights(*status) && !elevation::IsElevated()) {
        const std::wstring rights = RightsLine(commandLetter);
        view_.AppendPanelLine(rights);
        elevation::OfferRestart(rights, path);
      }
    } else {
      // The worker may be waiting on a question of the head's to the user: it is left to run, and
      // its outcome follows in one more line when it ends.
      view_.AppendPanelLine(kTimeOutLine);
      WatchLateWorker(std::move(worker));
    }
    spare_.Prepare();  // for the next command
  } catch (const std::bad_alloc&) {
    ShowFaultBox({7, kErrorSource, L"Out of memory"});
  } catch (const std::exception& fault) {
    ShowFaultBox({5, kErrorSource, FromAnsi(fault.what())});
  }
}

void Registrar::WatchLateWorker(std::unique_ptr<EntryWorker> worker) {
  lateWorkers_.push_back(std::move(worker));
  SetTimer(view_.Handle(), kLateWorkerTimer, 250, nullptr);
}

void Registrar::OnLateWorkerTimer() {
  for (auto it = lateWorkers_.begin(); it != lateWorkers_.end();) {
    if (!(*it)->Ended()) {
      ++it;
      continue;
    }
    const std::unique_ptr<EntryWorker> ended = std::move(*it);
    it = lateWorkers_.erase(it);
    view_.AppendPanelLine(LateOutcomeLine(FileNameOf(ended->Path()), ended->OutcomeLines()));
    view_.RequestListRefresh();
  }
  if (lateWorkers_.empty()) KillTimer(view_.Handle(), kLateWorkerTimer);
}

bool Registrar::EndLateWorkers(const std::wstring& then, const std::wstring& path) {
  // Found anew after each question: while one is open, the timer takes a head that ends off the list.
  const auto find = [this](const EntryWorker* worker) {
    return std::find_if(lateWorkers_.begin(), lateWorkers_.end(), [&](const auto& w) { return w.get() == worker; });
  };
  std::vector<const EntryWorker*> asked;
  for (const auto& worker : lateWorkers_)
    if (!worker->Ended() && (path.empty() || SamePath(worker->Path(), path))) asked.push_back(worker.get());
  for (const EntryWorker* worker : asked) {
    if (find(worker) == lateWorkers_.end() || worker->Ended()) continue;
    const std::wstring question = StillRunningQuestion(FileNameOf(worker->Path()), worker->Unregisters(), then);
    if (ShowBox(question, MB_YESNO | MB_ICONQUESTION) != IDYES) return false;
    if (const auto it = find(worker); it != lateWorkers_.end()) {
      (*it)->Terminate();
      lateWorkers_.erase(it);
    }
  }
  return true;
}

void Registrar::EndWorkers() {
  for (const auto& worker : lateWorkers_) worker->Terminate();
  lateWorkers_.clear();
  for (const auto& worker : exitingWorkers_) worker->Terminate();
  exitingWorkers_.clear();
  spare_.Discard();
}

}  // namespace registration
