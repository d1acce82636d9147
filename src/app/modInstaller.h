#pragma once
// Path functions shared by the whole program.
#include <string>

namespace modInstaller {

// The long form of a path with doubled backslashes collapsed; empty when the path names nothing.
std::wstring GetLongPath(const std::wstring& path);

// The folder of the program's executable, always ending with one backslash.
std::wstring AppPath();

// The executable's base name without folder and extension ("VeskInstaller").
std::wstring ExeName();

// True when a file probe finds the pattern as a file that is neither hidden nor system (directories
// never match). The pattern may hold the wildcards * and ?.
bool FileProbe(const std::wstring& pattern);

}  // namespace modInstaller
