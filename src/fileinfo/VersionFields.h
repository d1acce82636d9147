#pragma once
// The five version strings that the reader fills and the information panel shows and empties.
#include <string>

struct VersionFields {
  std::wstring CompanyName;
  std::wstring ProductVersion;
  std::wstring FileDescription;
  std::wstring LegalCopyright;
  std::wstring OriginalFilename;

  void Clear() { *this = VersionFields{}; }
  bool operator==(const VersionFields&) const = default;
};
