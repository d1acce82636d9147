#include "platform/ObjectSecurity.h"

#include <aclapi.h>
#include <sddl.h>

#include "platform/NumberText.h"

namespace security {

SessionObjectSecurity::SessionObjectSecurity(DWORD othersAccess) {
  const std::wstring user = UserSid();
  if (user.empty()) return;
  // Interactive users (IU) are every account with a process on this session's desktop, the creator's
  // and an administrator's that a restart was consented with; the Local\ namespace keeps other
  // sessions out. The medium label refuses low and untrusted processes even what IU allows.
  const std::wstring dacl = L"D:P(A;;GA;;;" + user + L")(A;;0x" + HexText(othersAccess) + L";;;IU)";
  for (const std::wstring& text : {dacl + L"S:(ML;;NWNRNX;;;ME)", dacl}) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
      attributes_.lpSecurityDescriptor = descriptor;
      return;
    }
  }
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
  PSID sid = nullptr;
  if (!ConvertStringSidToSidW(userSid.c_str(), &sid)) return GetLastError();
  PACL old = nullptr, updated = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  DWORD error = GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                      &old, nullptr, &descriptor);
  EXPLICIT_ACCESSW access{};
  access.grfAccessPermissions = FILE_GENERIC_READ | FILE_GENERIC_WRITE | DELETE;
  access.grfAccessMode = GRANT_ACCESS;
  access.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
  access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  access.Trustee.TrusteeType = TRUSTEE_IS_USER;
  access.Trustee.ptstrName = static_cast<wchar_t*>(sid);
  if (error == ERROR_SUCCESS) error = SetEntriesInAclW(1, &access, old, &updated);
  if (error == ERROR_SUCCESS)
    error = SetNamedSecurityInfoW(const_cast<wchar_t*>(folder.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                  nullptr, nullptr, updated, nullptr);
  if (updated) LocalFree(updated);
  if (descriptor) LocalFree(descriptor);
  LocalFree(sid);
  return error;
}

}  // namespace security
