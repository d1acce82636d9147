#include "games/GameIds.h"


namespace games {

namespace {

constexpr size_t kLength = 38;
constexpr size_t kHyphens[] = {9, 14, 19, 24};
// Characters 8 and 9 of the text (the brace being character 1): the last two digits of the first group.
constexpr size_t kVaryingDigits = 7;

bool IsHexDigit(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F') || (c >= L'a' && c <= L'f'); }

int HexValue(wchar_t c) { return c <= L'9' ? c - L'0' : (c | 0x20) - L'a' + 10; }

bool IsHyphenPlace(size_t i) {
  for (size_t h : kHyphens)
    if (i == h) return true;
  return false;
}

}  // namespace

bool IsClassIdText(const std::wstring& text) {
  if (text.size() != kLength || text.front() != L'{' || text.back() != L'}') return false;
  for (size_t i = 1; i + 1 < kLength; ++i) {
    const bool ok = IsHyphenPlace(i) ? text[i] == L'-' : IsHexDigit(text[i]);
    if (!ok) return false;
  }
  return true;
}

std::optional<std::wstring> FamilyMember(const std::wstring& classId, int offset) {
  if (!IsClassIdText(classId)) return std::nullopt;
  const int value = HexValue(classId[kVaryingDigits]) * 16 + HexValue(classId[kVaryingDigits + 1]) + offset;
  if (value < 0 || value > 0xFF) return std::nullopt;
  constexpr wchar_t kUpper[] = L"0123456789ABCDEF";
  std::wstring member = classId;
  member[kVaryingDigits] = kUpper[value / 16];
  member[kVaryingDigits + 1] = kUpper[value % 16];
  return member;
}

}  // namespace games
