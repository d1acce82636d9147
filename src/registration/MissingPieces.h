#pragma once
// Names what a control that failed to load needs and does not find: the DLLs it imports (at load
// or delay-loaded) that are nowhere the system's loader looks, the DLLs those need in turn, the
// functions a DLL found lacks, and DLLs found of the other bitness only. What the control only
// delay-loads (and what that needs in turn) cannot stop its load: after a failed load it is named
// in notes. Windows-free: the search for a DLL and the reading of files come from the caller.
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
  // Looks for a DLL by the name an import gives: the files of that name in the loader's order
  // (empty when there is none). The system's own DLLs are kSystem; a runtime's DLLs (see
  // RuntimeHint) are searched for like any other. The loader passes over a file of the other
  // bitness and goes on looking, and so does the search here.
  virtual std::vector<FoundDll> Find(const std::string& name) = 0;
  // The file's bytes (bounded in size); empty when it cannot be read. exportsOnly: only the headers
  // and the export table need to be read, the rest may read as zeros (see ExportTableRange).
  virtual std::vector<unsigned char> Read(const std::wstring& path, bool exportsOnly) = 0;
};

// How far the search goes from the control: DLLs that need DLLs, and files read.
inline constexpr int kMaxChainDepth = 6;
inline constexpr size_t kMaxFilesRead = 64;

// The panel lines, one for each missing piece, each followed by what to install when a runtime's
// DLL is missing. With kFunctions... the system's own DLLs are read too, to see whether they export
// the functions imported from them (a function was missing). Empty when the control is not a
// program file, nothing missing is found or nothing is looked for.
MissingReport MissingPieceLines(std::span<const unsigned char> control, Bitness installer, LookFor what,
                                DllFinder& finder);

}  // namespace registration
