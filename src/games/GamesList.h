#pragma once
// Where the VPlaces host keeps its Games list: one sub-key per game, named by the game's display
// name, whose default value is the head's class id.
#include <string>

#include <windows.h>

namespace GamesList {

// The key whose sub-keys are the vendors; the list is there only when "Ubique" is one of them.
inline constexpr wchar_t kVendorsKey[] = L"Software\\CLASSES\\Software\\";
inline constexpr wchar_t kVendor[] = L"Ubique";
inline constexpr wchar_t kListKey[] = L"Software\\CLASSES\\Software\\Ubique\\VPgames32";
inline const HKEY kRoot = HKEY_LOCAL_MACHINE;

// The key of the entry named name.
inline std::wstring EntryKey(const std::wstring& name) { return std::wstring(kListKey) + L"\\" + name; }

// The head's server path registered for a class id.
inline std::wstring ServerKey(const std::wstring& classId) { return L"CLSID\\" + classId + L"\\InprocServer32"; }

}  // namespace GamesList
