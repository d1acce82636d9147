#pragma once
// The worker's load of a head, kept from DLLs lying beside the program or in the current folder;
// and the same search from the window, to name what a control that failed needs and does not find.
#include <string>

#include <windows.h>

#include "registration/RegRules.h"

namespace registration {

// Loads the head at its full path for good: from here on, the head's own imports and every DLL the
// process loads by name are looked for in the head's folder, the system's folders and PATH's (see
// HeadDllFolders), never in the program's folder or the current one. Null when the load fails (the
// system's error then in GetLastError). Once per worker process: the search stays so.
HMODULE LoadHead(const std::wstring& path);

// The panel lines for what the control at path needs and does not find (see MissingPieceLines);
// empty when the file cannot be read or nothing missing is found.
MissingReport DescribeMissingPieces(const std::wstring& path, LookFor what);

}  // namespace registration
