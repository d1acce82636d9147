// The registration worker: makes a head file register or unregister itself by running its
// self-registration entry point in a worker process, and reports the outcome in the panel.
#include <memory>
#include <new>
#include <string>

#include "app/AnsiText.h"
#include "app/Controls.h"
#include "app/Elevation.h"
#include "app/frmMain.h"
#include "app/modInstaller.h"
#include "registration/EntryWorker.h"
#include "registration/RegRules.h"

namespace {

// Covers the whole worker: its start, the load of the head, the entry point and the release.
constexpr DWORD kTimeLimitMs = 10000;

// A fault of the worker itself goes to the error reporter as "<number> - <description>".
void ReportFault(frmMain& form, const RunTimeError& err) {
  form.ErrMsgProc(std::to_wstring(err.Number) + L" - " + err.Description, err);
}

std::wstring FileNameOf(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

}  // namespace

void frmMain::RegUnReg(std::wstring inFileSpec, const std::wstring& inHandle) {
  try {
    // A file the probe misses (hidden, for example) may still load: note it and go on.
    if (!modInstaller::FileProbe(inFileSpec))
      AppendStatus(L"File not found...");
    else
      inFileSpec = modInstaller::GetLongPath(inFileSpec);

    std::erase_if(exitingWorkers_, [](const auto& worker) { return worker->Exited(); });
    const ULONGLONG start = GetTickCount64();
    SetBusyPointer(true);
    std::unique_ptr<registration::EntryWorker> worker = spareWorker_.Take();
    if (!worker || !worker->Run(inFileSpec, inHandle)) {
      SetBusyPointer(false);
      AppendStatus(L"Process failed in obtaining entry point or creating thread.");
      return;
    }
    const ULONGLONG spent = GetTickCount64() - start;
    const bool ended = spent < kTimeLimitMs && WaitAnswering(worker->EndSignals(), kTimeLimitMs - static_cast<DWORD>(spent));
    SetBusyPointer(false);
    if (ended) {
      for (const std::wstring& line : worker->OutcomeLines()) AppendStatus(line);
      const std::optional<std::uint32_t> status = worker->ReturnedStatus();
      if (!worker->Exited()) exitingWorkers_.push_back(std::move(worker));
      if (status && registration::IsRefusedForRights(*status) && !elevation::IsElevated()) {
        const std::wstring rights = registration::RightsLine(inHandle);
        AppendStatus(rights);
        elevation::OfferRestart(rights, inFileSpec);
      }
    } else {
      // The worker may be waiting on a question of the head's to the user: it is left to run, and
      // its outcome follows in one more line when it ends.
      AppendStatus(registration::kTimeOutLine);
      WatchLateWorker(std::move(worker));
    }
    spareWorker_.Prepare();  // for the next command
  } catch (const std::bad_alloc&) {
    ReportFault(*this, {7, L"RegUnReg", L"Out of memory"});
  } catch (const std::exception& fault) {
    ReportFault(*this, {5, L"RegUnReg", FromAnsi(fault.what())});
  }
}

void frmMain::WatchLateWorker(std::unique_ptr<registration::EntryWorker> worker) {
  lateWorkers_.push_back(std::move(worker));
  SetTimer(hwnd_, kLateWorkerTimer, 250, nullptr);
}

void frmMain::LateWorkerTimer_Timer() {
  for (auto it = lateWorkers_.begin(); it != lateWorkers_.end();) {
    if (!(*it)->Ended()) {
      ++it;
      continue;
    }
    const std::unique_ptr<registration::EntryWorker> ended = std::move(*it);
    it = lateWorkers_.erase(it);
    AppendStatus(registration::LateOutcomeLine(FileNameOf(ended->Path()), ended->OutcomeLines()));
    EnableTimer1();
  }
  if (lateWorkers_.empty()) KillTimer(hwnd_, kLateWorkerTimer);
}

void frmMain::EndLateWorkers() {
  for (const auto& worker : lateWorkers_) worker->Terminate();
  lateWorkers_.clear();
  for (const auto& worker : exitingWorkers_) worker->Terminate();
  exitingWorkers_.clear();
  spareWorker_.Discard();
}
