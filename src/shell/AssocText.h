#pragma once
// Text rules of the file-type association: trimming, the extension check and the shell command
// that starts a program with a file, both ways.
#include <string>

namespace shell {

// The text without leading and trailing blanks (spaces only; tabs and other white space stay).
std::wstring TrimBlanks(const std::wstring& text);

// True when the text holds one of the characters a file extension may not hold: \ / : * ? < > | "
bool HasIllegalChar(const std::wstring& extension);

// The command of a shell verb: the program path, the parameters as given, then " %1". A path
// with a blank in it is put in double quotes, so the shell cannot start a program at a shorter
// prefix of it ("C:\Program.exe" for "C:\Program Files\...").
std::wstring ShellCommand(const std::wstring& exePath, const std::wstring& parameters);

// The program path named by a stored command: a trailing "%1" is dropped and the rest trimmed of
// blanks; the path is then taken out of its double quotes when it is wrapped in them.
std::wstring CommandPath(const std::wstring& command);

}  // namespace shell
