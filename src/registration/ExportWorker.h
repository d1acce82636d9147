#pragma once
// The worker's part of an export: the head's registration caught in scratch keys instead of the
// registry. The window's side (ExportRegistration.h) makes the keys and deletes them again once
// the worker has ended, however it ended.
#include <windows.h>

namespace registration {

// What an export adds to the worker's command: the scratch keys, below HKEY_CURRENT_USER, and how
// the worker fared with them.
struct ExportOrder {
  wchar_t scratch[128];  // empty: no export, a plain registration
  DWORD error;           // why the worker could not point its roots at the scratch keys; 0 when it could
};

// Points HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and HKEY_USERS of this process at
// their scratch keys below HKEY_CURRENT_USER\<scratch> (ScratchKeyName) and leaves them so for the
// rest of the process: whatever the head writes afterwards, unloading and all, goes there. Returns 0,
// or the error of the first key that could not be opened or taken as a root (then none is).
DWORD PointRootsAtScratch(const wchar_t* scratch);

}  // namespace registration
