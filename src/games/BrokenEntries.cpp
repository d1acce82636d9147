#include "games/BrokenEntries.h"

#include <algorithm>
#include <iterator>
#include <new>

#include "games/GamesStore.h"
#include "games/Removal.h"

namespace games {
namespace {

constexpr wchar_t kNoneFound[] = L"No broken entries were found.";

std::wstring Named(const EntryState& entry) { return L"\"" + entry.name + L"\""; }

constexpr size_t kReaders = 4;  // the check's thread and three more
constexpr size_t kBlock = 64;   // entries a reader takes at a time

// The list shared by the readers: each takes the next block of entries until none is left or the
// check is cancelled, and adds the broken ones with their place in the list.
struct SharedCheck {
  SharedCheck(const std::vector<std::wstring>& list, const std::atomic<bool>* cancelled) : names(list), cancel(cancelled) {}
  const std::vector<std::wstring>& names;
  const std::atomic<bool>* cancel;
  std::atomic<size_t> next{0}, checked{0};
  std::atomic<bool> outOfMemory{false};
  SRWLOCK lock = SRWLOCK_INIT;
  std::vector<std::pair<size_t, EntryState>> found;

  bool Stopped() const { return (cancel && cancel->load(std::memory_order_relaxed)) || outOfMemory.load(); }

  void Read(const CheckProgress& progress) {
    try {
      EntryReader reader;
      std::vector<std::pair<size_t, EntryState>> mine;
      for (size_t first; !Stopped() && (first = next.fetch_add(kBlock)) < names.size();) {
        const size_t end = std::min(first + kBlock, names.size());
        for (size_t i = first; i < end && !Stopped(); ++i)
          if (EntryState entry = reader.Check(names[i]); entry.broken != Broken::No) mine.emplace_back(i, std::move(entry));
        const size_t done = checked.fetch_add(end - first) + (end - first);
        if (progress && !Stopped()) progress(done, names.size());
      }
      AcquireSRWLockExclusive(&lock);
      found.insert(found.end(), std::make_move_iterator(mine.begin()), std::make_move_iterator(mine.end()));
      ReleaseSRWLockExclusive(&lock);
    } catch (const std::bad_alloc&) {
      outOfMemory = true;
    }
  }

  static DWORD WINAPI Reader(void* shared) {
    static_cast<SharedCheck*>(shared)->Read({});
    return 0;
  }
};

}  // namespace

std::vector<EntryState> FindBrokenEntries(const CheckProgress& progress, const std::atomic<bool>* cancel) {
  const std::vector<std::wstring> names = ReadGameNames();
  if (progress) progress(0, names.size());
  SharedCheck check{names, cancel};
  // Each read waits on the registry in turn: a few readers side by side keep the processors busy.
  // A short list is not worth the threads.
  const size_t helpers = names.size() < kBlock * 4 ? 0 : kReaders - 1;
  std::vector<HANDLE> threads;
  for (size_t i = 0; i < helpers; ++i)
    if (HANDLE thread = CreateThread(nullptr, 0, &SharedCheck::Reader, &check, 0, nullptr)) threads.push_back(thread);
  check.Read(progress);
  if (!threads.empty()) WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, INFINITE);
  for (HANDLE thread : threads) CloseHandle(thread);
  if (check.outOfMemory) throw std::bad_alloc();
  const bool cancelled = cancel && cancel->load();
  if (progress && !cancelled) progress(names.size(), names.size());
  std::sort(check.found.begin(), check.found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<EntryState> broken;
  broken.reserve(check.found.size());
  for (auto& [index, entry] : check.found) broken.push_back(std::move(entry));
  return broken;
}

bool Removable(const EntryState& entry) { return entry.broken != Broken::No && entry.broken != Broken::DriveMissing; }

Outcome RemoveBrokenEntries(const std::vector<EntryState>& chosen) {
  Outcome kept;
  std::vector<games::RemovalRequest> requests;
  EntryReader reader;
  for (const EntryState& entry : chosen) {
    const EntryState now = reader.Check(entry.name);
    if (!Removable(entry)) {
      kept.Add(Named(entry) + L" is kept: " + ReasonText(entry) + L".");
    } else if (!Removable(now) || now.classId != entry.classId) {
      kept.Add(Named(entry) + L" is kept: it has changed since the check.");
    } else {
      // Only a file proven gone is one whose class keys may go.
      requests.push_back({now.name, now.classId, now.broken == Broken::FileGone ? *now.server : L""});
    }
  }
  Outcome outcome = requests.empty() ? Outcome{} : RemoveEntries(requests, L"Broken entries");
  outcome.lines.insert(outcome.lines.begin(), kept.lines.begin(), kept.lines.end());
  return outcome;
}

Outcome ListBroken() {
  Outcome outcome;
  for (const EntryState& entry : FindBrokenEntries()) outcome.Add(entry.name + L": " + ReasonText(entry));
  if (outcome.lines.empty()) outcome.Add(kNoneFound);
  return outcome;
}

Outcome RemoveAllBroken() {
  const std::vector<EntryState> broken = FindBrokenEntries();
  if (broken.empty()) return Outcome{{kNoneFound}};
  return RemoveBrokenEntries(broken);
}

}  // namespace games
