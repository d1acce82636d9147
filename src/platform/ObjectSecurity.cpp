#include "platform/ObjectSecurity.h"

#include <aclapi.h>
#include <sddl.h>


namespace platform {

SessionObjectSecurity::SessionObjectSecurity(DWORD othersAccess) {
  const std::wstring user = UserSid();
  if (user.empty()) return;
  // Interactive users (IU) are every account with a process on this session's desktop, the creator's
  // and an administrator's that a restart was consented with; the Local\ namespace keeps other
  // sessions out. The medium label refuses low and untrusted processes even what IU allows.
  wchar_t text[256];
  wsprintfW(text, L"D:P(A;;GA;;;%s)(A;;0x%lx;;;IU)S:(ML;;NWNRNX;;;ME)", user.c_str(), othersAccess);
  auto make = [&] {
    return ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &attributes_.lpSecurityDescriptor,
                                                                nullptr);
  };
  if (make()) return;
  *wcsstr(text, L"S:") = L'\0';  // a system without integrity labels
  make();
}

SessionObjectSecurity::~SessionObjectSecurity() {
  if (attributes_.lpSecurityDescriptor) LocalFree(attributes_.lpSecurityDescriptor);
}

std::wstring UserSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  union {
    TOKEN_USER user;
    BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  } info{};
  DWORD size = 0;
  wchar_t* text = nullptr;
  std::wstring sid;
  if (GetTokenInformation(token, TokenUser, &info, sizeof info, &size) && ConvertSidToStringSidW(info.user.User.Sid, &text)) {
    sid = text;
    LocalFree(text);
  }
  CloseHandle(token);
  return sid;
}

DWORD OpenFolderTo(const std::wstring& folder, const std::wstring& userSid) {
  // An explicit entry beside those the folder inherits, which stay (the list is not protected).
  wchar_t text[256];
  if (userSid.size() > 200) return ERROR_INVALID_SID;
  wsprintfW(text, L"D:(A;OICI;0x%lx;;;%s)", FILE_GENERIC_READ | FILE_GENERIC_WRITE | DELETE, userSid.c_str());
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &descriptor, nullptr))
    return GetLastError();
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
  const DWORD error = SetNamedSecurityInfoW(const_cast<wchar_t*>(folder.c_str()), SE_FILE_OBJECT,
                                            DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                            nullptr, dacl, nullptr);
  LocalFree(descriptor);
  return error;
}

}  // namespace platform
