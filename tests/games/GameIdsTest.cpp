#include "games/GameIds.h"

#include <gtest/gtest.h>

using namespace GameIds;

namespace {
const std::wstring k4C = L"{1234564C-ABCD-ef01-2345-6789ABCDEF01}";
}

TEST(GameIds, RecognisesTheBracedRegistryForm) {
  EXPECT_TRUE(IsClassIdText(k4C));
  EXPECT_TRUE(IsClassIdText(L"{00000000-0000-0000-0000-000000000000}"));
  for (const std::wstring& bad : {
           std::wstring(),
           std::wstring(L"1234564C-ABCD-EF01-2345-6789ABCDEF01"),      // no braces
           std::wstring(L"{1234564C-ABCD-EF01-2345-6789ABCDEF01"),     // one short
           std::wstring(L"{1234564C-ABCD-EF01-2345-6789ABCDEF012}"),   // one long
           std::wstring(L"{1234564G-ABCD-EF01-2345-6789ABCDEF01}"),    // not hex
           std::wstring(L"{1234564CABCD-EF01-2345-6789ABCDEF01-}"),    // hyphen misplaced
           std::wstring(L"{1234564C-ABCD-EF01-2345\\6789ABCDEF01}"),   // a backslash
           std::wstring(L"(1234564C-ABCD-EF01-2345-6789ABCDEF01)"),
       })
    EXPECT_FALSE(IsClassIdText(bad)) << std::string(bad.begin(), bad.end());
}

TEST(GameIds, FamilyChangesOnlyTheLastTwoDigitsOfTheFirstGroup) {
  EXPECT_EQ(FamilyMember(k4C, kSecondClassId), L"{1234564D-ABCD-ef01-2345-6789ABCDEF01}");
  EXPECT_EQ(FamilyMember(k4C, kFirstInterfaceId), L"{1234564B-ABCD-ef01-2345-6789ABCDEF01}");
  EXPECT_EQ(FamilyMember(k4C, kSecondInterfaceId), L"{1234564A-ABCD-ef01-2345-6789ABCDEF01}");
  EXPECT_EQ(FamilyMember(k4C, kTypeLibId), L"{12345649-ABCD-ef01-2345-6789ABCDEF01}");
}

TEST(GameIds, DerivedDigitsAreTwoUppercaseHexDigits) {
  EXPECT_EQ(FamilyMember(L"{abcdef12-abcd-abcd-abcd-abcdefabcdef}", kTypeLibId),
            L"{abcdef0F-abcd-abcd-abcd-abcdefabcdef}");
  EXPECT_EQ(FamilyMember(L"{abcdef0e-abcd-abcd-abcd-abcdefabcdef}", kSecondClassId),
            L"{abcdef0F-abcd-abcd-abcd-abcdefabcdef}");
}

TEST(GameIds, NoCarryPastFFOrBelow00) {
  const std::wstring ff = L"{123456FF-0000-0000-0000-000000000000}";
  EXPECT_EQ(FamilyMember(ff, kSecondClassId), std::nullopt);
  EXPECT_EQ(FamilyMember(ff, kTypeLibId), L"{123456FC-0000-0000-0000-000000000000}");
  const std::wstring two = L"{12345602-0000-0000-0000-000000000000}";
  EXPECT_EQ(FamilyMember(two, kSecondInterfaceId), L"{12345600-0000-0000-0000-000000000000}");
  EXPECT_EQ(FamilyMember(two, kTypeLibId), std::nullopt);
}

TEST(GameIds, NoFamilyForTextsThatAreNoClassId) {
  EXPECT_EQ(FamilyMember(L"", kTypeLibId), std::nullopt);
  EXPECT_EQ(FamilyMember(L"{1234564C}", kSecondClassId), std::nullopt);
  EXPECT_EQ(FamilyMember(L"{123456zz-ABCD-EF01-2345-6789ABCDEF01}", kFirstInterfaceId), std::nullopt);
}
