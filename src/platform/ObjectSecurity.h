#pragma once
// Who may open what the program shares between its own processes in the user's session, and the
// folder it writes for the user.
#include <string>

#include <windows.h>

namespace platform {

// A security descriptor for a named object of the session: full access for the account that makes
// it; othersAccess for every other interactive account of the session (the administrator's account
// that a restart as administrator may run under); nothing for a process below medium integrity.
class SessionObjectSecurity {
 public:
  explicit SessionObjectSecurity(DWORD othersAccess);
  ~SessionObjectSecurity();
  SessionObjectSecurity(const SessionObjectSecurity&) = delete;
  SessionObjectSecurity& operator=(const SessionObjectSecurity&) = delete;
  // Null when no descriptor could be made: the object then gets the system's default.
  SECURITY_ATTRIBUTES* Attributes() { return attributes_.lpSecurityDescriptor ? &attributes_ : nullptr; }

 private:
  SECURITY_ATTRIBUTES attributes_{sizeof attributes_, nullptr, FALSE};
};

// This process's account as text (S-1-5-21-...); empty when it cannot be read.
std::wstring UserSid();

// Lets the account (SID text) read, write and delete in the folder, and in what is made in it later.
DWORD OpenFolderTo(const std::wstring& folder, const std::wstring& userSid);

}  // namespace platform
