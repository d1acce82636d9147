#pragma once
// Associates a file extension with a program through the classes root: the extension points to a
// file type, which gets a display text, an icon and one shell verb whose command starts the
// program with the file. Telling the shell that associations changed is the caller's task.
#include <string>

#include <windows.h>

namespace file_types {

// Writes the association. extension may come with or without its leading dot and is handed back
// with it; parameters (text between the program path and " %1") is handed back as one blank plus
// its trimmed text when not empty. iconPath empty means exePath + ",0". With showMessages false
// every failure is silent. True when every key and value was written; False when a check failed, an
// error occurred or the registry refused a write. A refused write stops the writing: its status
// goes to refusal when the caller gives one (and is then not shown), else into the message.
bool AssociateFile(std::wstring& extension, const std::wstring& fileType, const std::wstring& description,
                   const std::wstring& verb, std::wstring exePath, std::wstring& parameters, bool setIcon,
                   const std::wstring& iconPath, bool showMessages, LSTATUS* refusal = nullptr);

}  // namespace file_types
