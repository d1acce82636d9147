#pragma once
// Names what a control that failed to load needs and does not find: the DLLs it imports (at load
// or delay-loaded) that are nowhere the system's loader looks, the DLLs those need in turn, the
// functions a DLL found lacks, and DLLs found of the other bitness. Windows-free: the search for a
// DLL and the reading of files come from the caller.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "registration/RegRules.h"

namespace registration {

// Where the search for a DLL, in the loader's order, found it.
struct FoundDll {
  enum class Where { kNowhere, kSystem, kElsewhere };
  Where where = Where::kNowhere;
  std::wstring path;  // the file found
};

class DllFinder {
 public:
  virtual ~DllFinder() = default;
  // Looks for a DLL by the name an import gives. The system's own DLLs are kSystem; a runtime's
  // DLLs (see RuntimeHint) are searched for like any other.
  virtual FoundDll Find(const std::string& name) = 0;
  // The file's bytes (bounded in size); empty when it cannot be read. exportsOnly: only the headers
  // and the export table need to be read, the rest may read as zeros (see ExportTableRange).
  virtual std::vector<unsigned char> Read(const std::wstring& path, bool exportsOnly) = 0;
};

// How far the search goes from the control: DLLs that need DLLs, and files read.
inline constexpr int kMaxChainDepth = 6;
inline constexpr size_t kMaxFilesRead = 64;

// The panel lines, one for each missing piece, each followed by what to install when a runtime's
// DLL is missing. lookIntoSystem: the system's own DLLs are read too, to see whether they export
// the functions imported from them (the load failed for want of a function). Empty when the control
// is not a program file or nothing missing is found.
std::vector<std::wstring> MissingPieceLines(std::span<const unsigned char> control, Bitness installer,
                                            bool lookIntoSystem, DllFinder& finder);

}  // namespace registration
