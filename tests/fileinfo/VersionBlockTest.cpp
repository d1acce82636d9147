// Converting version blocks from the 16-bit layout into the 8-bit layout, well-formed or not.
#include <gtest/gtest.h>

#include "TestBlocks.h"
#include "fileinfo/VersionBlock.h"

using namespace testblocks;

namespace {

std::string WideSample() {
  return WideNode(u"VS_VERSION_INFO", 0, FixedInfo(), 52,
                  {WideTree(u"StringFileInfo", {WideTree(u"040904E4", {WideText(u"CompanyName", u"Vesk Tests"),
                                                                       WideText(u"FileDescription", u"T\u00eate"),
                                                                       WideText(u"Comments", u"")})}),
                   WideTree(u"VarFileInfo", {WideNode(u"Translation", 0, "\x09\x04\xe4\x04", 4)})});
}

// Converts an exact-size copy, so that any read past the end is caught by the sanitizers.
std::string Convert(std::string_view bytes) {
  const std::vector<char> exact(bytes.begin(), bytes.end());
  return ToNarrowLayout(std::string_view(exact.data(), exact.size()), AsciiCodePage);
}

bool Holds(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(VersionBlockConversion, RewritesEveryNodeInTheNarrowLayoutWhichIsSearchedAsItIs) {
  const std::string narrow = NarrowNode(
      "VS_VERSION_INFO", FixedInfo(),
      {NarrowNode("StringFileInfo", "",
                  {NarrowNode("040904E4", "", {NarrowText("CompanyName", "Vesk Tests"),
                                               NarrowText("FileDescription", "T?te"), NarrowText("Comments", "")})}),
       NarrowNode("VarFileInfo", "", {NarrowNode("Translation", "\x09\x04\xe4\x04")})});
  std::string storage;
  EXPECT_EQ(SearchText(WideSample(), AsciiCodePage, storage), narrow);
  EXPECT_EQ(SearchText(narrow, AsciiCodePage, storage).data(), narrow.data());
}

TEST(VersionBlockMalformed, EveryTruncationIsReadWithinTheBlock) {
  const std::string wide = WideSample();
  const size_t companyValueEnd = wide.find(Utf16(u"Vesk Tests")) + 20;
  for (size_t size = 0; size <= wide.size(); ++size)
    EXPECT_EQ(Holds(Convert(wide.substr(0, size)), "Vesk Tests"), size >= companyValueEnd) << size;
}

TEST(VersionBlockMalformed, ShortLengthOrUnknownTypeEndsItsList) {
  const std::pair<size_t, size_t> faults[] = {{0, 0}, {0, 5}, {4, 7}};  // word offset, bad value
  for (const auto& [offset, value] : faults) {
    std::string broken = WideText(u"Comments", u"x");
    broken.replace(offset, 2, Word(value));
    const std::string text =
        Convert(WideTree(u"T", {WideText(u"CompanyName", u"kept"), broken, WideText(u"ProductVersion", u"1")}));
    EXPECT_TRUE(Holds(text, "kept"));
    EXPECT_FALSE(Holds(text, "Comments") || Holds(text, "ProductVersion"));
  }
}

TEST(VersionBlockMalformed, LengthsPastTheEndAreCut) {
  std::string entry = WideText(u"CompanyName", u"Inner");
  entry.replace(0, 2, Word(0xFFFF));
  EXPECT_EQ(Convert(WideTree(u"T", {entry})), NarrowNode("T", "", {NarrowText("CompanyName", "Inner")}));
  EXPECT_EQ(Convert(WideNode(u"CompanyName", 1, Utf16(u"Inner"), 0x7FFF)), NarrowText("CompanyName", "Inner"));
}

TEST(VersionBlockMalformed, DeepNestingIsConvertedWithoutRecursion) {
  std::string wide = WideText(u"CompanyName", u"deep");
  for (int level = 0; level < 5000; ++level) wide = WideTree(u"A", {wide});
  EXPECT_EQ(Convert(wide).size(), 5000 * 8 + NarrowText("CompanyName", "deep").size());
}
