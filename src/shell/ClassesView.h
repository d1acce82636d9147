#pragma once
// The registry's classes as the shell sees them: the user's (HKEY_CURRENT_USER\Software\Classes)
// over the machine's (HKEY_LOCAL_MACHINE\Software\Classes). Windows merges the two into
// HKEY_CLASSES_ROOT key by key: a key the user has hides the machine's key of the same name. The
// program reads both itself (Wine does not merge them), and writes only the user's, which needs no
// administrator; a key that earlier versions wrote into the machine's still counts.
#include <string>

#include <windows.h>

namespace shell {

enum class Scope { kUser, kMachine };

// The root of a scope's classes and the path of a classes key below it.
HKEY Root(Scope scope);
std::wstring PathIn(const std::wstring& classesPath);

// The key's default value in one scope, or as the shell sees it; empty when it is missing.
std::wstring ReadDefault(Scope scope, const std::wstring& classesPath);
std::wstring ReadDefault(const std::wstring& classesPath);

}  // namespace shell
