#pragma once
// The folders in which the worker's loader looks for the DLLs a head needs. The worker is the
// program's own executable, and the program usually lies in the user's Downloads folder, where
// anything may have been saved beside it; so the loader is kept from the program's folder (the first
// place Windows looks for a DLL loaded by name) and from the current folder. The head's own folder
// takes the program folder's place. Windows-free.
#include <string>
#include <vector>

namespace registration {

// Where a search for a head's DLLs starts from; each folder ends with a backslash.
struct SearchPlaces {
  std::wstring system;   // the system folder of the worker's bitness
  std::wstring windows;  // the Windows folder
  std::wstring head;     // the head's folder
  std::wstring program;  // the program's own folder, never searched
  std::wstring path;     // the PATH variable: folders separated by semicolons, some of them quoted
};

// The folders searched after the head's own folder (which the loader looks in first for the head's
// own imports), in order: the system folder, the Windows folder, the head's folder, then the
// folders of PATH, each once. Left out: PATH's relative entries (they name places in the current
// folder) and the program's folder (unless it is the head's folder as well).
std::vector<std::wstring> HeadDllFolders(const SearchPlaces& places);

}  // namespace registration
