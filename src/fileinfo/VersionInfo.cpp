#include "fileinfo/VersionInfo.h"

#include <exception>

#include <windows.h>
#include <winver.h>

#include "platform/AnsiText.h"
#include "platform/SystemFunctions.h"
#include "fileinfo/VersionBlock.h"
#include "fileinfo/VersionSearch.h"

namespace {

std::string ToCodePage(std::u16string_view text) { return ToAnsi(std::wstring(text.begin(), text.end())); }

// The version interface copies the version resource by the size and place that the file's resource
// directory claims. A damaged file whose directory points past its own end makes that copy read
// beyond the file's mapping and fault; such a file counts as one without version information.
// A file the loader does not map (no module at all) is left to the version interface.
bool VersionResourceInsideFile(const std::wstring& file) {
  HMODULE image = LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!image) return true;
  bool inside = true;
  if (HRSRC found = FindResourceW(image, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16))) {
    const auto* data = static_cast<const char*>(LockResource(LoadResource(image, found)));
    const DWORD size = SizeofResource(image, found);
    MEMORY_BASIC_INFORMATION region{};
    inside = data && VirtualQuery(data, &region, sizeof region) == sizeof region && region.State == MEM_COMMIT &&
             size <= static_cast<size_t>(static_cast<const char*>(region.BaseAddress) + region.RegionSize - data);
  }
  FreeLibrary(image);
  return inside;
}

}  // namespace

std::optional<VersionFields> ReadVersionInfo(const std::wstring& path) {
  VersionFields fields;
  bool result = false;
  // Nothing that goes wrong while reading leaves the reader: what was found so far stays.
  try {
    if (!VersionResourceInsideFile(path)) return std::nullopt;
    DWORD handle = 0;
    const DWORD size = platform::GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0) return std::nullopt;
    std::string block(size, '\0');
    if (!platform::GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return std::nullopt;

    std::string converted;
    const std::string_view text = SearchText(block, &ToCodePage, converted);
    // The block text has one character per byte: each window is turned into text on its own.
    for (const VersionKey& key : kVersionKeys)
      if (const auto window = FindValueWindow(text, key)) fields.*key.field = FromAnsi(std::string(*window));
    result = HasProductVersion(fields.ProductVersion);
  } catch (const std::exception&) {
  }
  if (!result) return std::nullopt;
  return fields;
}
