// The key search at the edges of the text, and the product-version test.
#include <gtest/gtest.h>

#include "fileinfo/VersionSearch.h"

namespace {

std::optional<std::string> Find(std::string_view text, size_t row) {
  const auto window = FindValueWindow(text, kVersionKeys[row]);
  return window ? std::optional<std::string>(*window) : std::nullopt;
}

}  // namespace

TEST(VersionSearch, WindowsAreCutAtTheEndOfTextOfAnyLength) {
  EXPECT_EQ(Find("CompanyNameXYZ", 0), "YZ");
  EXPECT_EQ(Find("CompanyName.", 0), "");  // starts past the end
  EXPECT_EQ(Find("xxProductVersion", 4), "");
  EXPECT_EQ(Find("companyname and more text", 0), std::nullopt);
  EXPECT_EQ(Find(std::string(100000, 'x') + "ProductVersion  7.7", 4), "7.7");
}

TEST(VersionSearch, ProductVersionCountsWhenNotOnlyBlanks) {
  EXPECT_FALSE(HasProductVersion(L""));
  EXPECT_FALSE(HasProductVersion(L"    "));
  EXPECT_TRUE(HasProductVersion(L" 1.0 "));
  EXPECT_TRUE(HasProductVersion(std::wstring(L"  \0  ", 5)));  // NUL characters are not blanks
}
