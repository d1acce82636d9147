#include "games/BrokenEntries.h"

#include "games/GamesStore.h"
#include "games/Removal.h"

namespace games {
namespace {

constexpr wchar_t kNoneFound[] = L"No broken entries were found.";
constexpr size_t kProgressEvery = 256;

std::wstring Named(const EntryState& entry) { return L"\"" + entry.name + L"\""; }

}  // namespace

std::vector<EntryState> FindBrokenEntries(const CheckProgress& progress, const std::atomic<bool>* cancel) {
  const std::vector<std::wstring> names = ReadGameNames();
  EntryReader reader;
  std::vector<EntryState> broken;
  for (size_t i = 0; i < names.size(); ++i) {
    if (cancel && cancel->load(std::memory_order_relaxed)) break;
    if (progress && i % kProgressEvery == 0) progress(i, names.size());
    EntryState entry = reader.Check(names[i]);
    if (entry.broken != Broken::No) broken.push_back(std::move(entry));
  }
  if (progress && !(cancel && cancel->load())) progress(names.size(), names.size());
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
