#pragma once
// Looks for the DLLs a control needs the way the worker's load does, and names the missing ones.
#include <string>
#include <vector>

#include "registration/RegRules.h"

namespace registration {

// The panel lines for what the control at path needs and does not find (see MissingPieceLines);
// empty when the file cannot be read or nothing missing is found.
std::vector<std::wstring> DescribeMissingPieces(const std::wstring& path, LookFor what);

}  // namespace registration
