#pragma once
// A thin, stateless layer over the registry for the Games list and COM registrations. Every
// operation opens (or creates) the key it needs, does its work and closes the key again. None of
// them reports an error: a missing key or value reads as the caller's default, a failed write or
// delete leaves the registry as it was.
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

namespace modRegistry {

// Deletes the key at path below root, with its sub-keys. Deleting a key that does not exist
// changes nothing.
void DeleteRegKey(HKEY root, const std::wstring& path);

// The REG_SZ value valueName (empty = the key's default value) of the key at path, up to its first
// NUL; def when the key or value is missing or the value is of any other type.
std::wstring ReadRegString(HKEY root, const std::wstring& path, const std::wstring& valueName,
                           const std::wstring& def = L"");

// Writes data as a REG_SZ value, creating the key and any missing keys along its path.
void WriteRegString(HKEY root, const std::wstring& path, const std::wstring& valueName,
                    const std::wstring& data);

// The names of the key's direct sub-keys in enumeration order. The listing ends silently at the
// first name the platform cannot hand over (end of list, a name longer than 254 characters).
// nullopt ("nothing listed") when the key is missing or the very first name could not be listed.
std::optional<std::vector<std::wstring>> ListRegSubKeys(HKEY root, const std::wstring& path);

}  // namespace modRegistry
