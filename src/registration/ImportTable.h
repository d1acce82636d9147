#pragma once
// Reads the links of a Windows program file (a DLL, an .ocx) to other DLLs from its bytes: which
// DLLs it imports from, at load and delay-loaded, with the functions it takes from each, and which
// functions it exports itself. The file may be damaged or made to harm: every offset and size is
// checked against the bytes given, counts and names are bounded, and a table that leaves the file
// is read as far as it stays inside.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "registration/RegRules.h"

namespace registration {

struct ImportedDll {
  std::string name;                     // as the file spells it
  bool delayed = false;                 // from the delay-load table
  std::vector<std::string> functions;   // imported by name
  std::vector<std::uint16_t> ordinals;  // imported by number
};

struct ImportTable {
  Bitness machine = Bitness::kUnknown;  // kUnknown: neither x86 nor x64
  std::vector<ImportedDll> dlls;
  // The names the file exports, in its order: sorted, as the loader searches them.
  std::vector<std::string> exports;
  std::uint32_t firstOrdinal = 0;       // the numbers it exports: firstOrdinal and the next ordinalCount - 1
  std::uint32_t ordinalCount = 0;

  bool Exports(std::string_view function) const;
  bool ExportsOrdinal(std::uint32_t ordinal) const;
};

// Limits on what is read of one file.
inline constexpr size_t kMaxImportedDlls = 1024;  // per table (load and delay-load)
inline constexpr size_t kMaxNames = 65536;        // per table (imported and exported functions)
inline constexpr size_t kMaxNameLength = 256;     // longer names are not read

// The tables of a program file; nothing when the bytes are not those of a Windows program file.
std::optional<ImportTable> ReadImportTable(std::span<const unsigned char> file);

// Where in the file the export table lies (by the headers at its start), so that a large file's
// exports can be read without the rest of it. What lies outside the range reads as absent.
struct FileRange {
  std::uint64_t offset, size;
};
std::optional<FileRange> ExportTableRange(std::span<const unsigned char> headers);

}  // namespace registration
