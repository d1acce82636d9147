#include "registration/ImportTable.h"

#include <algorithm>

namespace registration {
namespace {

constexpr size_t kMaxSections = 96;  // the most the system loads

struct Section {
  std::uint32_t address, extent, rawSize, rawOffset;
};

// The file's bytes with every read checked against their end.
class Image {
 public:
  explicit Image(std::span<const unsigned char> bytes) : bytes_(bytes) {}

  bool Holds(std::uint64_t at, size_t width) const { return at <= bytes_.size() && bytes_.size() - at >= width; }
  // width (at most 8) bytes at the file offset as a little-endian number.
  std::optional<std::uint64_t> Read(std::uint64_t at, size_t width) const {
    if (!Holds(at, width)) return std::nullopt;
    std::uint64_t value = 0;
    for (size_t i = 0; i < width; ++i) value |= std::uint64_t{bytes_[at + i]} << (8 * i);
    return value;
  }
  std::uint32_t U16(std::uint64_t at) const { return static_cast<std::uint32_t>(Read(at, 2).value_or(0)); }
  std::uint32_t U32(std::uint64_t at) const { return static_cast<std::uint32_t>(Read(at, 4).value_or(0)); }

  // The file offset of an address relative to the image's base, and how many bytes from there
  // belong to the same part of the file.
  struct Place {
    std::uint64_t offset, length;
  };
  // The same by the section table alone, whatever the bytes at hand.
  std::optional<Place> Map(std::uint64_t rva) const {
    for (const Section& s : sections_) {
      if (rva < s.address || rva - s.address >= s.extent || rva - s.address >= s.rawSize) continue;
      return Place{std::uint64_t{s.rawOffset} + (rva - s.address), s.rawSize - (rva - s.address)};
    }
    if (rva < headerSize_) return Place{rva, headerSize_ - rva};
    return std::nullopt;
  }
  std::optional<Place> Locate(std::uint64_t rva) const {
    const auto place = Map(rva);
    if (!place || place->offset >= bytes_.size()) return std::nullopt;
    return Place{place->offset, std::min(place->length, bytes_.size() - place->offset)};
  }
  // width bytes at rva as a little-endian number; nothing when they leave the file or their section.
  std::optional<std::uint64_t> At(std::uint64_t rva, size_t width) const {
    const auto place = Locate(rva);
    if (!place || place->length < width) return std::nullopt;
    return Read(place->offset, width);
  }
  // The zero-ended name at rva; nothing when it is empty, too long or not ended inside its section.
  std::optional<std::string> Name(std::uint64_t rva) const {
    const auto place = Locate(rva);
    if (!place) return std::nullopt;
    const auto* start = bytes_.data() + place->offset;
    const auto* end = start + std::min<std::uint64_t>(place->length, kMaxNameLength + 1);
    const auto* zero = std::find(start, end, 0);
    if (zero == start || zero == end) return std::nullopt;
    return std::string(start, zero);
  }

  void AddSection(const Section& section) { sections_.push_back(section); }
  void SetHeaderSize(std::uint32_t size) { headerSize_ = size; }

 private:
  std::span<const unsigned char> bytes_;
  std::vector<Section> sections_;
  std::uint32_t headerSize_ = 0;
};

struct Layout {
  bool wide = false;           // PE32+: 8-byte thunks and image base
  std::uint64_t imageBase = 0;
  std::uint64_t directories = 0;  // file offset of the data directories
  std::uint32_t directoryCount = 0;
};

enum Directory : std::uint32_t { kExports = 0, kImports = 1, kDelayImports = 13 };

std::optional<std::uint32_t> DirectoryRva(const Image& image, const Layout& layout, Directory which) {
  if (which >= layout.directoryCount) return std::nullopt;
  const std::uint32_t rva = image.U32(layout.directories + 8u * which);
  return rva ? std::optional(rva) : std::nullopt;
}

// A relative address from a field of the old delay-load layout, which holds addresses in the image
// loaded at base (0 for the fields that are relative already); nothing when it lies outside.
std::optional<std::uint64_t> ToRva(std::uint64_t value, std::uint64_t base) {
  if (value < base || value - base > 0xFFFFFFFFu) return std::nullopt;
  return value - base;
}

// Reads a thunk table: the names or numbers of the functions taken from one DLL.
void ReadThunks(const Image& image, const Layout& layout, std::uint64_t tableRva, std::uint64_t base, ImportedDll& dll,
                size_t& budget) {
  const size_t width = layout.wide ? 8 : 4;
  const std::uint64_t byNumber = layout.wide ? 1ull << 63 : 1ull << 31;
  for (std::uint64_t at = tableRva; budget > 0; at += width, --budget) {
    const auto thunk = image.At(at, width);
    if (!thunk || *thunk == 0) return;
    if (*thunk & byNumber) {
      dll.ordinals.push_back(static_cast<std::uint16_t>(*thunk & 0xFFFF));
    } else if (const auto rva = ToRva(*thunk, base)) {
      if (auto name = image.Name(*rva + 2)) dll.functions.push_back(std::move(*name));  // after the 2-byte hint
    }
  }
}

// The load table (delayed false) or the delay-load table.
void ReadImports(const Image& image, const Layout& layout, bool delayed, ImportTable& table) {
  const auto start = DirectoryRva(image, layout, delayed ? kDelayImports : kImports);
  if (!start) return;
  size_t budget = kMaxNames;
  for (size_t i = 0; i < kMaxImportedDlls; ++i) {
    // IMAGE_IMPORT_DESCRIPTOR: the name table at 0, the DLL's name at 12, the address table at 16.
    // The delay-load descriptor: attributes at 0, the DLL's name at 4, the name table at 16; bit 0 of
    // the attributes says its fields are relative addresses, without it they are the old layout's.
    const std::uint64_t at = *start + (delayed ? 32ull : 20ull) * i;
    const auto nameField = image.At(at + (delayed ? 4 : 12), 4), first = image.At(at, 4);
    if (!nameField || *nameField == 0 || !first) return;
    const std::uint64_t base = delayed && !(*first & 1) ? layout.imageBase : 0;
    const auto nameRva = ToRva(*nameField, base);
    auto name = nameRva ? image.Name(*nameRva) : std::nullopt;
    if (!name) continue;
    ImportedDll dll;
    dll.name = std::move(*name);
    dll.delayed = delayed;
    const std::uint64_t names = delayed ? image.At(at + 16, 4).value_or(0) : *first;
    const auto thunks = ToRva(names ? names : image.At(at + 16, 4).value_or(0), base);
    if (thunks && *thunks) ReadThunks(image, layout, *thunks, base, dll, budget);
    table.dlls.push_back(std::move(dll));
  }
}

void ReadExports(const Image& image, const Layout& layout, ImportTable& table) {
  const auto start = DirectoryRva(image, layout, kExports);
  if (!start) return;
  const auto base = image.At(*start + 16, 4), functions = image.At(*start + 20, 4);
  const auto nameCount = image.At(*start + 24, 4), names = image.At(*start + 32, 4);
  if (!base || !functions || !nameCount || !names) return;
  table.firstOrdinal = static_cast<std::uint32_t>(*base);
  table.ordinalCount = static_cast<std::uint32_t>(*functions);
  for (std::uint64_t i = 0; i < std::min<std::uint64_t>(*nameCount, kMaxNames); ++i) {
    const auto rva = image.At(*names + 4 * i, 4);
    if (!rva) break;
    if (auto name = image.Name(*rva)) table.exports.push_back(std::move(*name));
  }
}

}  // namespace

bool ImportTable::Exports(std::string_view function) const {
  return std::binary_search(exports.begin(), exports.end(), function, std::less<>());
}

bool ImportTable::ExportsOrdinal(std::uint32_t ordinal) const {
  return ordinal >= firstOrdinal && ordinal - firstOrdinal < ordinalCount;
}

namespace {

struct Opened {
  Image image;
  Bitness machine = Bitness::kUnknown;
  std::optional<Layout> layout;  // nothing without a known optional header
};

std::optional<Opened> Open(std::span<const unsigned char> file) {
  Opened opened{Image(file), Bitness::kUnknown, std::nullopt};
  Image& image = opened.image;
  const std::uint64_t pe = image.U32(0x3C);
  if (image.U16(0) != 0x5A4D || image.Read(pe, 4) != 0x00004550) return std::nullopt;  // "MZ", "PE\0\0"
  const std::uint32_t machine = image.U16(pe + 4);
  opened.machine = machine == 0x014C ? Bitness::k32 : machine == 0x8664 ? Bitness::k64 : Bitness::kUnknown;

  const std::uint64_t optional = pe + 24;
  const std::uint32_t magic = image.U16(optional);
  if (magic != 0x10B && magic != 0x20B) return opened;
  Layout& layout = opened.layout.emplace();
  layout.wide = magic == 0x20B;
  layout.imageBase = layout.wide ? image.Read(optional + 24, 8).value_or(0) : image.U32(optional + 28);
  layout.directoryCount = std::min(image.U32(optional + (layout.wide ? 108 : 92)), 16u);
  layout.directories = optional + (layout.wide ? 112 : 96);
  image.SetHeaderSize(image.U32(optional + 60));

  const std::uint64_t sections = optional + image.U16(pe + 20);
  for (std::uint64_t i = 0; i < std::min<std::uint32_t>(image.U16(pe + 6), kMaxSections); ++i) {
    const std::uint64_t at = sections + 40 * i;
    if (!image.Holds(at, 40)) break;
    const std::uint32_t virtualSize = image.U32(at + 8), rawSize = image.U32(at + 16);
    image.AddSection({image.U32(at + 12), virtualSize ? virtualSize : rawSize, rawSize, image.U32(at + 20)});
  }
  return opened;
}

}  // namespace

std::optional<ImportTable> ReadImportTable(std::span<const unsigned char> file) {
  const std::optional<Opened> opened = Open(file);
  if (!opened) return std::nullopt;
  ImportTable table;
  table.machine = opened->machine;
  if (opened->layout) {
    ReadImports(opened->image, *opened->layout, false, table);
    ReadImports(opened->image, *opened->layout, true, table);
    ReadExports(opened->image, *opened->layout, table);
  }
  return table;
}

std::optional<FileRange> ExportTableRange(std::span<const unsigned char> headers) {
  const std::optional<Opened> opened = Open(headers);
  if (!opened || !opened->layout) return std::nullopt;
  const auto rva = DirectoryRva(opened->image, *opened->layout, kExports);
  const auto place = rva ? opened->image.Map(*rva) : std::nullopt;
  if (!place) return std::nullopt;
  const std::uint64_t size = opened->image.U32(opened->layout->directories + 4);
  return FileRange{place->offset, std::min<std::uint64_t>(size, place->length)};
}

}  // namespace registration
