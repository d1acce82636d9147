#include "window/Registrar.h"

#include <algorithm>
#include <new>

#include "platform/AnsiText.h"
#include "platform/Elevation.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "registration/HeadRun.h"
#include "registration/RegRules.h"

namespace window {

using registration::EntryWorker;
using registration::HeadRun;
using registration::RunHead;
using registration::StillRunningLine;
using registration::StillRunningQuestion;
using registration::LateOutcomeLine;
using registration::kTimeOutLine;
namespace {

std::wstring FileNameOf(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

std::wstring LongOr(const std::wstring& path) {
  const std::wstring longPath = platform::LongPath(path);
  return longPath.empty() ? path : longPath;
}

}  // namespace

void Registrar::Run(std::wstring path, const std::wstring& commandLetter) {
  try {
    // Two commands on one head at a time only when the user ends the first.
    const std::wstring fullPath = platform::FullPath(platform::IsPlainFile(path) ? LongOr(path) : path);
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
    HeadRun run = RunHead(spare_, path, commandLetter, [this](const std::vector<HANDLE>& objects, DWORD limitMs) {
      return view_.WaitAnswering(objects, limitMs);
    });
    view_.SetBusyPointer(false);
    spare_.Prepare();  // for the next command
    for (const std::wstring& line : run.outcome.lines) view_.AppendPanelLine(line);
    if (run.outcome.exitCode == ExitCode::kTimedOut && run.worker) {
      // It may be waiting on a question of the head's to the user: its outcome follows when it ends.
      WatchLateWorker(std::move(run.worker));
    } else if (run.worker) {
      exitingWorkers_.push_back(std::move(run.worker));
    }
    if (run.outcome.wantsAdministrator) platform::OfferRestart(run.outcome.lines.back(), path);
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

}  // namespace window
