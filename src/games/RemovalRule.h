#pragma once
// Which keys go when a broken Games list entry is removed: the entry itself, and of its head's COM
// registration only the keys that provably belong to that head. Each key of the plan is deleted
// with everything below it.
#include <string>
#include <vector>

#include "games/RegistryFacts.h"

namespace RemovalRule {

struct RemovalRequest {
  std::wstring entryName;    // the entry that was asked about
  std::wstring classId;      // its class id as the entry named it when asked
  std::wstring fileBoxText;  // the head file box's text
};

struct KeyToDelete {
  Root root;
  std::wstring path;
  bool operator==(const KeyToDelete&) const = default;
};

// The keys to delete, in order. For a class id text C with server path S (CLSID\C\InprocServer32),
// whose family is trusted when CLSID\C\TypeLib is exactly the derived type library id L:
//   HKLM Software\CLASSES\Interface\{C-1}, \{C-2}   when trusted and the interface's TypeLib is L;
//   of HKLM Software\CLASSES\TypeLib\L, when trusted: each <version>\<locale>\win32 or win64 key
//     whose file is S, then what is left with no registration: a locale key with nothing left, a
//     version key with nothing but FLAGS and HELPDIR left (in place of its files), the library key
//     when no version is left (in place of all of them). Keys naming other files stay;
//   HKCR Interface\{C-1}, \{C-2}                     as their HKLM counterparts;
//   CLSID\{C+1}      when the file box shows S exactly (both non-empty), the family is trusted and
//                    the second class's server is S;
//   CLSID\C          when the file box shows S exactly;
//   the entry last (unless its name is empty).
// The keys the plan is made from go last, so that after a refused delete the same plan, made again,
// finds what is left. Paths and ids other than the box comparison and the family check compare
// without regard to the case of ASCII letters; an empty text never matches.
std::vector<KeyToDelete> PlanRemoval(const RegistryFacts& facts, const RemovalRequest& request);

}  // namespace RemovalRule
