#include "registration/ExportWorker.h"

#include <string>

#include "registration/ExportRules.h"

namespace registration {

DWORD PointRootsAtScratch(const wchar_t* scratch) {
  static const HKEY kRoots[] = {HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_USERS};
  static_assert(std::size(kRoots) == std::size(kScratchRoots));
  // All four are opened first: once HKEY_CURRENT_USER is pointed elsewhere the others cannot be found.
  HKEY keys[std::size(kRoots)] = {};
  LSTATUS status = ERROR_SUCCESS;
  for (size_t i = 0; i < std::size(keys) && status == ERROR_SUCCESS; ++i) {
    const std::wstring path = std::wstring(scratch) + L"\\" + ScratchKeyName(kScratchRoots[i]);
    status = RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &keys[i]);
  }
  for (size_t i = 0; i < std::size(keys) && status == ERROR_SUCCESS; ++i) status = RegOverridePredefKey(kRoots[i], keys[i]);
  // The overrides hold keys of their own: these handles can go.
  for (size_t i = 0; i < std::size(keys); ++i) {
    if (status != ERROR_SUCCESS) RegOverridePredefKey(kRoots[i], nullptr);
    if (keys[i]) RegCloseKey(keys[i]);
  }
  return static_cast<DWORD>(status);
}

}  // namespace registration
