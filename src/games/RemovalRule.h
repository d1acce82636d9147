#pragma once
// Which keys go when a broken Games list entry is removed: the entry itself, and of its head's COM
// registration only the keys that provably belong to that head. Each key of the plan is deleted
// with everything below it.
#include <string>
#include <vector>

#include "games/RegistryFacts.h"

namespace games {

struct RemovalRequest {
  std::wstring entryName;  // the entry that was asked about
  std::wstring classId;    // its class id as the entry named it when asked
  std::wstring goneFile;   // the head file proven gone (empty: none, as for a class with no server)
};

using KeyToDelete = ClassesKey;

// The keys to delete, in order, for a class id text C whose family is trusted when the class's
// TypeLib value (as the classes root shows it) is exactly the derived type library id L. Each key is
// looked at in the user's and in the machine's classes, and goes from each one where it points back:
//   Interface\{C-1}, \{C-2}  in both views, when trusted and the interface's TypeLib is L;
//   of TypeLib\L, when trusted: each <version>\<locale>\win32 or win64 key whose file is the gone
//     file, then what is left with no registration: a locale key with nothing left, a version key
//     with nothing but FLAGS and HELPDIR left (in place of its files), the library key when no
//     version is left (in place of all of them). Keys naming other files stay;
//   the ProgID and VersionIndependentProgID keys a class below names, when their CLSID (or, for the
//     version-independent one, the ProgID its CurVer names) is that class, for each class that goes;
//   CLSID\{C+1}  when trusted and its server is the gone file;
//   CLSID\C      when its server is the gone file;
//   the entry last (unless its name is empty).
// The keys the plan is made from go last, so that after a refused delete the same plan, made again,
// finds what is left. Files compare as the file system compares them; ids and key names without
// regard to the case of ASCII letters, but the family check as exact text; an empty text never matches.
std::vector<KeyToDelete> PlanRemoval(const RegistryFacts& facts, const RemovalRequest& request);

}  // namespace games
