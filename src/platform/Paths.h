#pragma once
// Paths of files on disk and of the program itself.
#include <string>

namespace platform {

// The long form of a path with doubled backslashes collapsed; empty when the path names nothing.
std::wstring LongPath(const std::wstring& path);

// The path as the head file box takes it from the command line or a second start: its long form; the
// full path as given when the system cannot tell the long form of a file that a probe finds (a folder
// on the way that may not be listed, wildcards); empty when it names nothing.
std::wstring HeadPathOf(const std::wstring& path);

// The full path of a path relative to the current folder; the path itself when it cannot be made.
std::wstring FullPath(const std::wstring& path);

// The folder that the program and its workers stand in: the system folder, so that no folder of a
// head (a removable drive, a share) is kept in use while the program runs.
std::wstring NeutralFolder();

// The folder of the program's executable, always ending with one backslash.
std::wstring ProgramFolder();

// The executable's base name without folder and extension ("VeskInstaller").
std::wstring ProgramName();

// The executable's full path as the folder and the name give it.
inline std::wstring ProgramPath() { return ProgramFolder() + ProgramName() + L".exe"; }

// True when a file probe finds the pattern as a file that is neither hidden nor system (directories
// never match). The pattern may hold the wildcards * and ?. A file in a folder that may not be listed
// is found by its attributes.
bool IsPlainFile(const std::wstring& pattern);

// The folder for the .reg copies of removed keys, ending with a backslash: %LOCALAPPDATA%\Vesk
// Installer\Removed\ of the user the program works for. An instance restarted as administrator, maybe
// under another account, uses the folder of the instance that restarted it (TakeRemovedCopiesFolder).
std::wstring RemovedCopiesFolder();
// The account whose folder that is (S-1-5-...).
std::wstring RemovedCopiesUser();
// The folder made when missing; one made for the user a restart handed over is opened to that user,
// with what is written in it later. ERROR_SUCCESS, or the error that stopped it (folder then says where).
unsigned long MakeRemovedCopiesFolder(std::wstring& folder);
// The folder (one that ends in \Vesk Installer\Removed\) and account handed over by the instance
// that restarted this one.
void TakeRemovedCopiesFolder(const std::wstring& folder, const std::wstring& userSid);

}  // namespace platform
