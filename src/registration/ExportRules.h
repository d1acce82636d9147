#pragma once
// Rules of an export that need no Windows: the roots a head's registration is caught in, and the
// names the registry editor gives the keys it wrote there.
#include <string>

#include "registration/RegRules.h"

namespace registration {

// The predefined roots the worker points at scratch keys during an export, in the file's order.
enum class ScratchRoot { kClassesRoot, kLocalMachine, kCurrentUser, kUsers };
inline constexpr ScratchRoot kScratchRoots[] = {ScratchRoot::kClassesRoot, ScratchRoot::kLocalMachine,
                                                ScratchRoot::kCurrentUser, ScratchRoot::kUsers};

// The name of the root's own scratch key: "HKEY_CLASSES_ROOT", "HKEY_LOCAL_MACHINE", ...
const wchar_t* ScratchKeyName(ScratchRoot root);

// The full name under which the 64-bit registry editor of 64-bit Windows imports the key that a
// control of the given bitness wrote at path below root (an empty path: the root itself). For a
// 32-bit control the keys Windows redirects for it go under WOW6432Node (the classes' CLSID,
// Interface and their like under SOFTWARE\Classes\WOW6432Node, its other machine keys under
// SOFTWARE\WOW6432Node), the shared ones stay where they are; the classes root is
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes. The control's own spelling of each name is kept.
std::wstring ImportedKeyName(ScratchRoot root, const std::wstring& path, Bitness control);

}  // namespace registration
