#include "platform/SingleInstance.h"

#include <windows.h>

namespace single_instance {
namespace {

constexpr wchar_t kInstanceName[] = L"Local\\VeskGameHeadInstaller.Instance";
HANDLE g_instance = nullptr;

}  // namespace

bool Claim() {
  if (g_instance) return true;
  g_instance = CreateMutexW(nullptr, FALSE, kInstanceName);
  if (!g_instance) return GetLastError() != ERROR_ACCESS_DENIED;
  if (GetLastError() != ERROR_ALREADY_EXISTS) return true;
  CloseHandle(g_instance);
  g_instance = nullptr;
  return false;
}

void Join() {
  if (!g_instance) g_instance = CreateMutexW(nullptr, FALSE, kInstanceName);
}

void Release() {
  if (g_instance) CloseHandle(g_instance);
  g_instance = nullptr;
}

}  // namespace single_instance
