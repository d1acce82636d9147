#pragma once
// The ids that belong to a head, all derived from its class id text: the class id itself in
// registry text form ("{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}") and the members that differ from it
// only in the last two hex digits of its first group.
#include <optional>
#include <string>

namespace games {

// True when text is a class id in the 38-character braced form with hex digits (either case).
bool IsClassIdText(const std::wstring& text);

// The member of the family whose last two digits of the first group are b + offset, written as two
// uppercase hex digits, b being the value of those digits in classId. nullopt when classId is not a
// class id text, or when b + offset falls outside 00 to FF (no carry into the other digits: such a
// member names no key).
std::optional<std::wstring> FamilyMember(const std::wstring& classId, int offset);

// The offsets of the family members.
inline constexpr int kSecondClassId = 1;
inline constexpr int kFirstInterfaceId = -1;
inline constexpr int kSecondInterfaceId = -2;
inline constexpr int kTypeLibId = -3;

}  // namespace games
