#pragma once
// The Games list store: the list's names from the registry. Removing entries is in Removal.h.
#include <string>
#include <vector>

#include "platform/RunTimeError.h"

namespace games {

// The entries' names in enumeration order. Empty, without a word, when the vendor key or the list
// key is missing or the list is empty.
std::vector<std::wstring> ReadGameNames();


}  // namespace games
