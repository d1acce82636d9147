#pragma once
// The copy of a removal: every key a removal is about to delete, with all below it, read where it
// really lives and saved as a .reg file that the registry editor imports to put them back.
#include <string>
#include <vector>

#include <windows.h>

#include "games/RegFile.h"
#include "games/RemovalRule.h"

namespace games {

// A key of a removal plan where it lives, its last name spelt as the registry spells it.
struct PlacedKey {
  HKEY root;                       // HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER
  REGSAM view;                     // 0: this program's registry view, else the other one's flag
  std::wstring path;               // below root
  std::wstring name;               // the full name the .reg file gives it
  std::vector<games::Key> tree;  // the key and all below it, as the copy saved them
};

// The plan's keys placed, in the plan's order.
std::vector<PlacedKey> PlaceKeys(const std::vector<games::KeyToDelete>& plan);

struct SavedCopy {
  std::wstring path;      // the file written; empty when none could be
  std::wstring why;       // when none: why, for the panel
  bool refused = false;   // a key could not be read for lack of rights
};

// Reads each key's tree into it and writes them all into a new file in the program's folder under
// the user's local application data ("Vesk Installer\Removed"), named after stem (the entry's name),
// the date and the time. The file is written whole and flushed, or removed again.
SavedCopy SaveCopy(const std::wstring& stem, std::vector<PlacedKey>& keys);

// Whether the key's tree is still as the copy saved it.
bool Untouched(const PlacedKey& key);

}  // namespace games
