// Version blocks converted from the 16-bit layout, well-formed or not, and the key search.
#include <gtest/gtest.h>

#include "TestBlocks.h"
#include "fileinfo/VersionBlock.h"
#include "fileinfo/VersionSearch.h"

using namespace testblocks;

namespace {

// Converts an exact-size copy, so that any read past the end is caught by the sanitizers.
std::string Convert(std::string_view bytes) {
  const std::vector<char> exact(bytes.begin(), bytes.end());
  return ToNarrowLayout(std::string_view(exact.data(), exact.size()), AsciiCodePage);
}

TEST(VersionBlock, ConvertedWholeOrAsFarAsItsBytesGo) {
  const std::string wide = WideNode(
      u"VS_VERSION_INFO", 0, FixedInfo(), 52,
      {WideTree(u"StringFileInfo", {WideTree(u"040904E4", {WideText(u"CompanyName", u"Vesk Tests"),
                                                           WideText(u"FileDescription", u"T\u00eate"),
                                                           WideText(u"Comments", u"")})}),
       WideTree(u"VarFileInfo", {WideNode(u"Translation", 0, "\x09\x04\xe4\x04", 4)})});
  const std::string narrow = NarrowNode(
      "VS_VERSION_INFO", FixedInfo(),
      {NarrowNode("StringFileInfo", "", {NarrowNode("040904E4", "", {NarrowText("CompanyName", "Vesk Tests"),
                                                                     NarrowText("FileDescription", "T?te"),
                                                                     NarrowText("Comments", "")})}),
       NarrowNode("VarFileInfo", "", {NarrowNode("Translation", "\x09\x04\xe4\x04")})});
  std::string storage;
  EXPECT_EQ(SearchText(wide, AsciiCodePage, storage), narrow);
  EXPECT_EQ(SearchText(narrow, AsciiCodePage, storage).data(), narrow.data()) << "searched as it is";
  const size_t companyEnd = wide.find(Utf16(u"Vesk Tests")) + 20;
  for (size_t size = 0; size <= wide.size(); ++size)
    EXPECT_EQ(Convert(wide.substr(0, size)).find("Vesk Tests") != std::string::npos, size >= companyEnd) << size;
  // Lengths past the end are cut there; deep nesting needs no recursion.
  std::string entry = WideText(u"CompanyName", u"Inner");
  EXPECT_EQ(Convert(WideTree(u"T", {entry.replace(0, 2, Word(0xFFFF))})),
            NarrowNode("T", "", {NarrowText("CompanyName", "Inner")}));
  EXPECT_EQ(Convert(WideNode(u"CompanyName", 1, Utf16(u"Inner"), 0x7FFF)), NarrowText("CompanyName", "Inner"));
  std::string deep = WideText(u"CompanyName", u"deep");
  for (int level = 0; level < 5000; ++level) deep = WideTree(u"A", {deep});
  EXPECT_EQ(Convert(deep).size(), 5000 * 8 + NarrowText("CompanyName", "deep").size());
}

TEST(VersionSearch, WindowsAreCutAtTheEndOfTheText) {
  auto find = [](std::string_view text, size_t row) {
    const auto window = FindValueWindow(text, kVersionKeys[row]);
    return window ? std::optional<std::string>(*window) : std::nullopt;
  };
  EXPECT_EQ(find("CompanyName " + std::string(50, 'v'), 0), std::string(40, 'v'));
  EXPECT_EQ(find("xFileDescription " + std::string(50, 'v'), 1), std::string(21, 'v'));
  const std::string twice("See CompanyName Shadow\0CompanyName Real", 39);
  EXPECT_EQ(find(twice, 0), twice.substr(16)) << "the first occurrence counts, whatever precedes it";
  EXPECT_EQ(find("companyname and more text", 0), std::nullopt);
  EXPECT_TRUE(!HasProductVersion(L"    ") && HasProductVersion(std::wstring(L"  \0  ", 5)));  // a NUL is no blank
}

}  // namespace
