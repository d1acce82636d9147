#include "registration/EntryWorker.h"

namespace registration {

bool WaitPlainly(const std::vector<HANDLE>& objects, DWORD limitMs) {
  return WaitForMultipleObjects(static_cast<DWORD>(objects.size()), objects.data(), FALSE, limitMs) <
         WAIT_OBJECT_0 + objects.size();
}

DWORD WINAPI SpareWorker::Start(void* spare) {
  auto* self = static_cast<SpareWorker*>(spare);
  self->spare_ = EntryWorker::Start(self->startError_);
  return 0;
}

void SpareWorker::Join() {
  if (!starter_) return;
  WaitForSingleObject(starter_, INFINITE);
  CloseHandle(starter_);
  starter_ = nullptr;
}

void SpareWorker::Prepare() {
  if (starter_ || spare_) return;
  // Without a thread the next command starts its worker itself.
  starter_ = CreateThread(nullptr, 0, &SpareWorker::Start, this, 0, nullptr);
}

std::unique_ptr<EntryWorker> SpareWorker::Take(const Wait& wait, DWORD& error) {
  // Up to two starts: a spare that has gone meanwhile (ended by hand, say), or that could not be
  // started when it was prepared, is replaced once by one started now.
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!starter_ && !spare_) {
      Prepare();
      if (!starter_) spare_ = EntryWorker::Start(startError_);  // no thread could be made
    }
    // A process start can take long (a virus scanner holding it): the front door's wait answers.
    if (starter_ && !wait({starter_}, kWorkerStartLimitMs)) {
      error = WAIT_TIMEOUT;
      return nullptr;
    }
    Join();
    std::unique_ptr<EntryWorker> worker = std::move(spare_);
    error = startError_ ? startError_ : ERROR_PROCESS_ABORTED;
    if (worker && !worker->Exited()) return worker;
  }
  return nullptr;
}

void SpareWorker::Discard() {
  Join();
  if (spare_) spare_->Terminate();
  spare_.reset();
}

}  // namespace registration
