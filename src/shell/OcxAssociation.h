#pragma once
// The .ocx association of the program: the test whether it is in place, its removal, and the
// three forms of the program's own executable path that the association uses.
#include <string>

namespace shell {

// True when .ocx files are associated with the executable at path; path receives its long form.
// Never raises: an error ends in a message box and False.
bool IsOcxAssociated(std::wstring& path);

// Points .ocx back to the standard file type when it points to this program's; True when it did.
bool RemoveOcxAssociation();

// Tells the shell that file associations changed.
void NotifyAssociationChanged();

// Writes the .ocx association for the executable at exePath (messages of its own on failure);
// notifies the shell when it was written. True when it was.
bool AssociateOcx(const std::wstring& exePath);

// The executable path as the start-up check and the Associate prompt build it: the program's
// folder with its trailing backslash, the executable's name, ".exe".
std::wstring StartupExePath();
// As the Options dialog builds it when it loads: the folder with its trailing backslash, another
// backslash, the name, ".exe" (the doubled backslash is collapsed before any comparison).
std::wstring OptionsLoadExePath();
// As the Options dialog builds it when OK writes the association: the folder as the system
// reports it (a trailing backslash only for a drive's root), a backslash, the name, ".exe".
std::wstring OptionsOkExePath();

}  // namespace shell
