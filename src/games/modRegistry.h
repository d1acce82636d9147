#pragma once
// A thin, stateless layer over the registry for the Games list and COM registrations. Every
// operation opens (or creates) the key it needs, does its work and closes the key again. None of
// them reports an error: a missing key or value reads as the caller's default, a failed write or
// delete leaves the registry as it was.
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "games/RegistryFacts.h"
#include "games/RemovalRule.h"

namespace modRegistry {

HKEY RootKey(Root root);

// Deletes the key at path below root with everything below it: a key that has sub-keys is emptied
// first, since the registry deletes only keys without any. Nothing for an empty path or one ending
// in a backslash (they name no single key); deleting a key that does not exist changes nothing.
// Returns the registry's answer to the delete (ERROR_FILE_NOT_FOUND for a key that was not there).
LSTATUS DeleteRegKey(HKEY root, const std::wstring& path);

// Deletes each key of a removal plan in its order; true when the registry refused none of them for
// lack of rights.
bool DeleteKeys(const std::vector<RemovalRule::KeyToDelete>& keys);

// The REG_SZ value valueName (empty = the key's default value) of the key at path, up to its first
// NUL; def when the key or value is missing or the value is of any other type.
std::wstring ReadRegString(HKEY root, const std::wstring& path, const std::wstring& valueName,
                           const std::wstring& def = L"");

// Writes data as a REG_SZ value, creating the key and any missing keys along its path.
void WriteRegString(HKEY root, const std::wstring& path, const std::wstring& valueName,
                    const std::wstring& data);

// The names of the key's direct sub-keys in enumeration order (any legal name, up to 255
// characters). A name the platform cannot hand over is left out and the listing goes on. nullopt
// ("nothing listed") when the key is missing or no name could be listed.
std::optional<std::vector<std::wstring>> ListRegSubKeys(HKEY root, const std::wstring& path);

// The live registry as the removal rule reads it, in this program's own registry view or, with
// view = KEY_WOW64_32KEY or KEY_WOW64_64KEY, in that one.
class LiveFacts final : public RegistryFacts {
 public:
  explicit LiveFacts(REGSAM view = 0) : view_(view) {}
  std::optional<std::wstring> Value(Root root, const std::wstring& path, const std::wstring& valueName) const override;
  std::vector<std::wstring> SubKeys(Root root, const std::wstring& path) const override;

 private:
  REGSAM view_;
};

}  // namespace modRegistry
