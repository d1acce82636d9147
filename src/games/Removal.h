#pragma once
// Removing Games list entries with the keys of their heads that provably belong to them, as data for
// either front door: the lines to show and the exit code. Before the first key goes, every key that
// will go is saved in one .reg file; without the file nothing is deleted. Each entry's keys go head
// first and entry last; a key the registry refuses stops that entry (kept for a later try) and the
// removal goes on with the next one.
#include <string>
#include <vector>

#include "games/RemovalRule.h"
#include "platform/Outcome.h"

namespace games {

// Removes the entries. The copy is named after stem, the date and the time. An entry whose keys the
// registry would refuse to delete (found out before anything is saved) is left whole, and no copy
// is written for it. Lines: one per entry ("removed", or why not), then the copy's path.
// kRefusedRights when the registry refused for lack of rights (wantsAdministrator when not
// elevated), kOtherFailure for any other failure.
Outcome RemoveEntries(const std::vector<games::RemovalRequest>& requests, const std::wstring& stem);

// One entry, the copy named after it.
inline Outcome RemoveEntry(const games::RemovalRequest& request) { return RemoveEntries({request}, request.entryName); }

}  // namespace games
