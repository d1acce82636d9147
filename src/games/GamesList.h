#pragma once
// Where the VPlaces host keeps its Games list: one sub-key per game, named by the game's display
// name, whose default value is the head's class id.
#include <string>

#include "games/RegistryFacts.h"

namespace games {

// The key whose sub-keys are the vendors; the list is there only when "Ubique" is one of them.
inline constexpr wchar_t kVendorsKey[] = L"Software\\CLASSES\\Software\\";
inline constexpr wchar_t kVendor[] = L"Ubique";
inline constexpr wchar_t kListKey[] = L"Software\\CLASSES\\Software\\Ubique\\VPgames32";
// The list below the machine's classes (HKLM\Software\Classes), as the removal names its keys.
inline constexpr wchar_t kListInClasses[] = L"Software\\Ubique\\VPgames32";

// The key of the entry named name.
inline ClassesKey EntryKey(const std::wstring& name) {
  return {Hive::Machine, View::Own, std::wstring(kListInClasses) + L"\\" + name};
}

// The head's server path registered for a class id (below the classes root).
inline std::wstring ServerKey(const std::wstring& classId) { return L"CLSID\\" + classId + L"\\InprocServer32"; }

// The panel's line for an entry whose class only the other build's registry view holds (the 32-bit
// view seen from the 64-bit program, and the other way round).
inline std::wstring OtherBuildNote() {
  const std::wstring bits = sizeof(void*) == 8 ? L"32" : L"64";
  return L"This head is registered for " + bits + L"-bit programs; use the " + bits +
         L"-bit installer to register or remove it.";
}

}  // namespace games
