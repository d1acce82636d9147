#pragma once
// Paths of files on disk and of the program itself.
#include <string>

namespace paths {

// The long form of a path with doubled backslashes collapsed; empty when the path names nothing.
std::wstring LongPath(const std::wstring& path);

// The folder of the program's executable, always ending with one backslash.
std::wstring ProgramFolder();

// The executable's base name without folder and extension ("VeskInstaller").
std::wstring ProgramName();

// The executable's full path as the folder and the name give it.
inline std::wstring ProgramPath() { return ProgramFolder() + ProgramName() + L".exe"; }

// True when a file probe finds the pattern as a file that is neither hidden nor system (directories
// never match). The pattern may hold the wildcards * and ?.
bool IsPlainFile(const std::wstring& pattern);

}  // namespace paths
