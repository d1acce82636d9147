// The version reader through the real version interface, on the files built beside the tests.
#include <gtest/gtest.h>

#include "FixturePath.h"
#include "app/frmMain.h"

TEST(ReadVersionInfo, FieldsHoldWholeWindowsAndAProductVersionIsNeeded) {
  frmMain form;
  ASSERT_TRUE(form.ReadVersionInfo(FixturePath("narrow_first.ocx")));
  const VersionFields& fields = form.Fields();
  // Each field holds its whole window, NULs and the next entry included.
  EXPECT_EQ(fields.FileDescription, std::wstring(L"Short\0\0\0\x18\0\x04\0ProductVe", 21));
  // The key's first occurrence is inside an earlier value.
  EXPECT_EQ(fields.CompanyName.substr(0, 12), std::wstring(L"Shadow Corp\0", 12));
  EXPECT_EQ(fields.CompanyName.size(), 40u);
  EXPECT_EQ(fields.ProductVersion.substr(0, 4), std::wstring(L"1.0\0", 4));
  EXPECT_EQ(fields.OriginalFilename, L"");

  // Without a product version the answer is false, though the other fields are filled.
  frmMain other;
  EXPECT_FALSE(other.ReadVersionInfo(FixturePath("narrow_noproduct.ocx")));
  EXPECT_EQ(other.Fields().CompanyName.substr(0, 15), std::wstring(L"No Product Ltd\0", 15));
  EXPECT_EQ(other.Fields().ProductVersion, L"");
}
