#pragma once
// Associates a file extension with a program for the current user, in the user's classes (see
// ClassesView.h): the extension points to a file type, which gets a display text, an icon and one
// shell verb whose command starts the program with the file. Telling the shell that associations
// changed is the caller's task.
#include <string>

#include <windows.h>

namespace shell {

// A write the registry refused: its status, and whether what the attempt had written before it was
// all put back as it was.
struct Refusal {
  LSTATUS status = ERROR_SUCCESS;
  bool takenBack = true;
};

// What became of the earlier writes, as a line for the user: a line break, then "Nothing was
// changed." or that part of it could not be taken back.
std::wstring OutcomeLine(const Refusal& refusal);

// Writes the association: the file type's own key with its text, icon and command first, the
// extension's pointer to it last, so the shell never finds the extension pointing at a file type
// that is not whole. extension may come with or without its leading dot and is handed back with it;
// parameters (text between the program path and " %1") is handed back as one blank plus its trimmed
// text when not empty. iconPath empty means exePath + ",0". With showMessages false every failure is
// silent. True when every key and value was written; False when a check failed, an error occurred or
// the registry refused a write. A refused write stops the writing and takes back what this attempt
// wrote (keys it made are deleted, values it replaced get their old contents back); the refusal goes
// to refusal when the caller gives one (and is then not shown), else into the message.
bool AssociateFile(std::wstring& extension, const std::wstring& fileType, const std::wstring& description,
                   const std::wstring& verb, std::wstring exePath, std::wstring& parameters, bool setIcon,
                   const std::wstring& iconPath, bool showMessages, Refusal* refusal = nullptr);

}  // namespace shell
