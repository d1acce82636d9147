#include "platform/SingleInstance.h"

#include <windows.h>

#include "platform/ObjectSecurity.h"

namespace platform {
namespace {

constexpr wchar_t kInstanceName[] = L"Local\\VeskGameHeadInstaller.Instance";
// What every other account of the session may do with it: hold it open and wait on it.
constexpr DWORD kOthersAccess = SYNCHRONIZE | MUTANT_QUERY_STATE;
HANDLE g_instance = nullptr;

}  // namespace

bool Claim() {
  if (g_instance) return true;
  platform::SessionObjectSecurity security(kOthersAccess);
  g_instance = CreateMutexW(security.Attributes(), FALSE, kInstanceName);
  if (!g_instance) return GetLastError() != ERROR_ACCESS_DENIED;
  if (GetLastError() != ERROR_ALREADY_EXISTS) return true;
  CloseHandle(g_instance);
  g_instance = nullptr;
  return false;
}

void Join() {
  if (g_instance) return;
  // The first instance's object, made by its account: this one may only hold it open.
  g_instance = OpenMutexW(SYNCHRONIZE, FALSE, kInstanceName);
  if (!g_instance) Claim();  // the first has gone meanwhile
}

void Release() {
  if (g_instance) CloseHandle(g_instance);
  g_instance = nullptr;
}

}  // namespace platform
