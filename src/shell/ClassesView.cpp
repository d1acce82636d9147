#include "shell/ClassesView.h"

#include "platform/RegistryKey.h"

namespace shell {

HKEY Root(Scope scope) { return scope == Scope::kUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

std::wstring PathIn(const std::wstring& classesPath) { return L"Software\\Classes\\" + classesPath; }

std::wstring ReadDefault(Scope scope, const std::wstring& classesPath) {
  return ReadRegistryString(Root(scope), PathIn(classesPath), L"");
}

std::wstring ReadDefault(const std::wstring& classesPath) {
  // The user's key, when there is one, is the one the shell reads, with or without the value.
  const bool userHasKey = RegistryKey::Open(Root(Scope::kUser), PathIn(classesPath), KEY_QUERY_VALUE).Status() != ERROR_FILE_NOT_FOUND;
  return ReadDefault(userHasKey ? Scope::kUser : Scope::kMachine, classesPath);
}

}  // namespace shell
