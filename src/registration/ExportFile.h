#pragma once
// What a head wrote into the scratch keys of an export, read back and written as a .reg file.
#include <string>
#include <vector>

#include <windows.h>

#include "games/RegFile.h"
#include "registration/RegRules.h"

namespace registration {

struct CaughtRegistration {
  // Every key that holds values or has no sub-keys (the editor makes the keys on their way), named
  // as the registry editor imports them, in the order the roots and the registry list them.
  std::vector<games::Key> keys;
  size_t values = 0;
  // "[key] name" of each value whose text holds the head's own path or its folder.
  std::vector<std::wstring> ownPathValues;
  LSTATUS error = ERROR_SUCCESS;  // the keys could not all be read: why, and where
  std::wstring failedAt;
};

// Reads the scratch keys below HKEY_CURRENT_USER\scratch that a control of the given bitness at
// head wrote into.
CaughtRegistration ReadScratch(const std::wstring& scratch, const std::wstring& head, Bitness control);

// The .reg file's text: the editor's first line, comment lines (the head, its bitness, the time and
// the values that hold its own path), then the keys. Nothing when a name holds a line break.
std::optional<std::wstring> ExportText(const CaughtRegistration& caught, const std::wstring& head, Bitness control,
                                       const SYSTEMTIME& when);

// Writes the text as UTF-16LE after a byte order mark into path, replacing a file there only once
// the new one is whole and flushed; 0 or the error.
DWORD WriteWholeFile(const std::wstring& path, const std::wstring& text);

}  // namespace registration
