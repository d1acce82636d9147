#include "games/BrokenEntries.h"

#include <memory>

#include "games/GamesStore.h"
#include "games/Removal.h"
#include "games/SideBySide.h"

namespace games {
namespace {

constexpr wchar_t kNoneFound[] = L"No broken entries were found.";

std::wstring Named(const EntryState& entry) { return L"\"" + entry.name + L"\""; }

}  // namespace

std::vector<EntryState> FindBrokenEntries(const CheckProgress& progress, const std::atomic<bool>* cancel) {
  const std::vector<std::wstring> names = ReadGameNames();
  const auto cancelled = [cancel] { return cancel && cancel->load(std::memory_order_relaxed); };
  if (progress) progress(0, names.size());
  // Per reader its reader of the registry, made when it first reads; per block what it found.
  std::vector<std::unique_ptr<EntryReader>> readers(kReaders);
  std::vector<std::vector<EntryState>> found(BlockCount(names.size()));
  std::atomic<size_t> checked{0};
  ReadSideBySide(names.size(), [&](size_t reader, size_t block, size_t first, size_t end) {
    if (!readers[reader]) readers[reader] = std::make_unique<EntryReader>();
    for (size_t i = first; i < end; ++i)
      if (EntryState entry = readers[reader]->Check(names[i]); entry.broken != Broken::No)
        found[block].push_back(std::move(entry));
    const size_t done = checked += end - first;
    if (reader == 0 && progress && !cancelled()) progress(done, names.size());
  }, cancelled);
  if (progress && !cancelled()) progress(names.size(), names.size());
  return InListOrder(found);
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
