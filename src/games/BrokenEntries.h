#pragma once
// The whole Games list checked at once: every broken entry found, and the chosen ones removed
// together with one copy. No window and no box: each front door shows the outcome its own way.
#include <atomic>
#include <cstddef>
#include <functional>
#include <vector>

#include "games/EntryCheck.h"
#include "platform/Outcome.h"

namespace games {

// Called now and then during a check with how many entries of how many have been checked.
using CheckProgress = std::function<void(size_t checked, size_t total)>;

// Every broken entry of the Games list in the list's order, each checked as the selection check
// checks it (Broken::No entries are not returned). Runs on any thread; cancel, when set, stops the
// check early with what was found so far.
std::vector<EntryState> FindBrokenEntries(const CheckProgress& progress = {}, const std::atomic<bool>* cancel = nullptr);

// Whether the entry may be removed: broken, and not only unreachable now.
bool Removable(const EntryState& entry);

// Removes the chosen entries, each checked again first (one that works again, or now names another
// class, is kept), with one copy "Broken entries DATE TIME.reg". Lines: one per entry, its name and
// "removed" or why not, then the copy's path. kSucceeded when every chosen removable entry went;
// kRefusedRights when the registry refused for lack of rights; kOtherFailure for any other failure.
Outcome RemoveBrokenEntries(const std::vector<EntryState>& chosen);

// The command line's listing: one line per broken entry, "NAME: reason"; always kSucceeded.
Outcome ListBroken();

// The command line's removal: every removable broken entry removed with one copy; entries on a drive
// that is not there now are listed as kept. As RemoveBrokenEntries for the lines and the exit code.
Outcome RemoveAllBroken();

}  // namespace games
