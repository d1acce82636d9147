#pragma once
// What a user installs to get the DLLs of the runtimes that controls need most: the Visual C++
// runtimes by version and the Visual Basic runtimes.
#include <string>
#include <string_view>

#include "registration/RegRules.h"

namespace registration {

// The line that says what to install for a missing DLL of a control of the given bitness, or how
// else to get it; empty for a DLL of no runtime known here.
std::wstring RuntimeHint(std::string_view dllName, Bitness bitness);

// The Visual C++ 2005 and 2008 runtimes live in the system's side-by-side store, not in its folder.
bool IsSideBySideRuntime(std::string_view dllName);

}  // namespace registration
