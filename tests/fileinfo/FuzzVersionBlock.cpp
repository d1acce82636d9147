// Fuzz target: any bytes as a version block, searched as they come (converted when they look like
// the 16-bit layout) and converted unconditionally. The sanitizers catch reads outside the block;
// every window must lie inside the text it was cut from.
#include <cstdint>
#include <cstdlib>

#include "TestBlocks.h"
#include "fileinfo/VersionBlock.h"
#include "fileinfo/VersionSearch.h"

static void SearchAll(std::string_view text) {
  for (const VersionKey& key : kVersionKeys) {
    const auto window = FindValueWindow(text, key);
    if (!window) continue;
    const char* const start = window->data();
    if (!window->empty() && (start < text.data() || start + window->size() > text.data() + text.size())) std::abort();
    if (key.window != kToEnd && window->size() > key.window) std::abort();
    HasProductVersion(std::wstring(window->begin(), window->end()));
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view block(reinterpret_cast<const char*>(data), size);
  std::string storage;
  SearchAll(SearchText(block, testblocks::AsciiCodePage, storage));
  const std::string converted = ToNarrowLayout(block, testblocks::AsciiCodePage);
  // A converted node is at most half as long again as the one it came from (a one-character key
  // without its zero character, in 8 bytes, becomes 12).
  if (converted.size() > size / 2 * 3 + 16) std::abort();
  SearchAll(converted);
  return 0;
}
