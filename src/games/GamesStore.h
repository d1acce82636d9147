#pragma once
// The Games list store: the list's names from the registry, and removing an entry together with
// the COM registration of its head.
#include <string>
#include <vector>

#include "platform/MainView.h"
#include "platform/RunTimeError.h"

namespace games {

// The entries' names in enumeration order. Empty, without a word, when the vendor key or the list
// key is missing or the list is empty.
std::vector<std::wstring> ReadGameNames();

// The box shown when the list could not be loaded whole.
void ShowLoadError(const RunTimeError& err);

// Removes the entry that was asked about and the registration keys that provably belong to its head
// (the head file box names the head), then asks for a list refresh. First it saves every key it is
// about to delete into a .reg file and names the file in the panel; when the file cannot be
// written, nothing is deleted. The head's keys go first and the entry last: a delete the registry
// refuses stops the removal, which the panel tells, and keeps the entry for a later try. A refusal
// for lack of rights is said and a restart as administrator offered.
void RemoveGame(MainView& view, const std::wstring& entryName, const std::wstring& classId);

}  // namespace games
