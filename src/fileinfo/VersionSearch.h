#pragma once
// Finding the version strings in a block of the 8-bit layout by searching for each key's name and
// stepping the fixed distance from the key to its value.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "fileinfo/VersionFields.h"

// The distance from a key's first character to its value in an 8-bit string entry: the key and its
// zero byte follow a 4-byte header and are padded to the entry's next 4-byte boundary.
constexpr size_t ValueDistance(std::string_view key) { return (key.size() + 5 + 3) / 4 * 4 - 4; }

inline constexpr size_t kToEnd = std::string_view::npos;

struct VersionKey {
  std::string_view key;
  size_t distance;  // from the key's first character to the value
  size_t window;    // characters taken from there, or kToEnd
  std::wstring VersionFields::*field;
};

// The keys, in the order they are searched.
inline constexpr VersionKey kVersionKeys[] = {
    {"CompanyName", 12, 40, &VersionFields::CompanyName},
    {"FileDescription", 16, 21, &VersionFields::FileDescription},
    {"LegalCopyright", 16, 21, &VersionFields::LegalCopyright},
    {"OriginalFilename", 20, 21, &VersionFields::OriginalFilename},
    {"ProductVersion", 16, kToEnd, &VersionFields::ProductVersion},
};

// The window that follows the first occurrence of the key (exact case), cut at the end of the text;
// empty when it would start past the end; nothing when the key does not occur.
std::optional<std::string_view> FindValueWindow(std::string_view text, const VersionKey& key);

// True when the product version holds anything but blanks (zero characters count as content).
bool HasProductVersion(std::wstring_view productVersion);
