#include "window/BrokenEntriesWork.h"

#include "games/BrokenEntries.h"

namespace {

using Held = std::shared_ptr<BrokenEntriesWork>;

DWORD WINAPI Check(void* parameter) {
  const std::unique_ptr<Held> held(static_cast<Held*>(parameter));
  BrokenEntriesWork& work = **held;
  work.found = games::FindBrokenEntries(
      [&](size_t done, size_t total) { work.Post(BrokenEntriesWork::kProgressMessage, done, static_cast<LPARAM>(total)); },
      &work.cancel);
  work.Post(BrokenEntriesWork::kCheckedMessage);
  return 0;
}

DWORD WINAPI Remove(void* parameter) {
  const std::unique_ptr<Held> held(static_cast<Held*>(parameter));
  BrokenEntriesWork& work = **held;
  work.outcome = games::RemoveBrokenEntries(work.chosen);
  work.Post(BrokenEntriesWork::kRemovedMessage);
  return 0;
}

// The thread holds the work for as long as it runs.
bool Start(LPTHREAD_START_ROUTINE routine, const Held& work) {
  auto* held = new Held(work);
  const HANDLE thread = CreateThread(nullptr, 0, routine, held, 0, nullptr);
  if (!thread) {
    delete held;
    return false;
  }
  CloseHandle(thread);
  return true;
}

}  // namespace

bool BrokenEntriesWork::StartCheck(const std::shared_ptr<BrokenEntriesWork>& work) { return Start(&Check, work); }

bool BrokenEntriesWork::StartRemoval(const std::shared_ptr<BrokenEntriesWork>& work) { return Start(&Remove, work); }

void BrokenEntriesWork::Detach() {
  AcquireSRWLockExclusive(&lock);
  hwnd = nullptr;
  cancel = true;
  ReleaseSRWLockExclusive(&lock);
}

void BrokenEntriesWork::Post(UINT msg, WPARAM wParam, LPARAM lParam) {
  AcquireSRWLockShared(&lock);
  if (hwnd) PostMessageW(hwnd, msg, wParam, lParam);
  ReleaseSRWLockShared(&lock);
}
