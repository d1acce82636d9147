#pragma once
// The .ocx association of the program: the test whether it is in place, and its removal.
#include <string>

namespace modInstaller {

// True when .ocx files are associated with the executable at path; path receives its long form.
// Never raises: an error ends in a message box and False.
bool IsOcxAssociated(std::wstring& path);

// Points .ocx back to the standard file type when it points to this program's; True when it did.
bool RemoveOcxAssociation();

}  // namespace modInstaller
