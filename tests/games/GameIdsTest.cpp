#include "games/GameIds.h"

#include <gtest/gtest.h>

using namespace GameIds;

TEST(GameIds, RecognisesTheBracedRegistryForm) {
  EXPECT_TRUE(IsClassIdText(L"{1234564C-ABCD-ef01-2345-6789ABCDEF01}"));
  EXPECT_TRUE(IsClassIdText(L"{00000000-0000-0000-0000-000000000000}"));
  for (const wchar_t* bad : {
           L"",
           L"1234564C-ABCD-EF01-2345-6789ABCDEF01",      // no braces
           L"{1234564C-ABCD-EF01-2345-6789ABCDEF01",     // one short
           L"{1234564C-ABCD-EF01-2345-6789ABCDEF012}",   // one long
           L"{1234564G-ABCD-EF01-2345-6789ABCDEF01}",    // not hex
           L"{1234564CABCD-EF01-2345-6789ABCDEF01-}",    // hyphen misplaced
           L"{1234564C-ABCD-EF01-2345\\6789ABCDEF01}",   // a backslash
           L"(1234564C-ABCD-EF01-2345-6789ABCDEF01)",
       })
    EXPECT_FALSE(IsClassIdText(bad)) << testing::PrintToString(std::wstring(bad));
}

TEST(GameIds, FamilyChangesOnlyTheLastTwoDigitsOfTheFirstGroupInUpperCaseWithoutCarry) {
  struct Case {
    const wchar_t* classId;
    int member;
    std::optional<std::wstring> expected;
  };
  const Case cases[] = {
      {L"{1234564C-ABCD-ef01-2345-6789ABCDEF01}", kSecondClassId, L"{1234564D-ABCD-ef01-2345-6789ABCDEF01}"},
      {L"{1234564C-ABCD-ef01-2345-6789ABCDEF01}", kFirstInterfaceId, L"{1234564B-ABCD-ef01-2345-6789ABCDEF01}"},
      {L"{1234564C-ABCD-ef01-2345-6789ABCDEF01}", kSecondInterfaceId, L"{1234564A-ABCD-ef01-2345-6789ABCDEF01}"},
      {L"{1234564C-ABCD-ef01-2345-6789ABCDEF01}", kTypeLibId, L"{12345649-ABCD-ef01-2345-6789ABCDEF01}"},
      {L"{abcdef12-abcd-abcd-abcd-abcdefabcdef}", kTypeLibId, L"{abcdef0F-abcd-abcd-abcd-abcdefabcdef}"},
      {L"{abcdef0e-abcd-abcd-abcd-abcdefabcdef}", kSecondClassId, L"{abcdef0F-abcd-abcd-abcd-abcdefabcdef}"},
      {L"{123456FF-0000-0000-0000-000000000000}", kSecondClassId, std::nullopt},
      {L"{123456FF-0000-0000-0000-000000000000}", kTypeLibId, L"{123456FC-0000-0000-0000-000000000000}"},
      {L"{12345602-0000-0000-0000-000000000000}", kSecondInterfaceId, L"{12345600-0000-0000-0000-000000000000}"},
      {L"{12345602-0000-0000-0000-000000000000}", kTypeLibId, std::nullopt},
      // Texts that are no class id have no family.
      {L"", kTypeLibId, std::nullopt},
      {L"{1234564C}", kSecondClassId, std::nullopt},
      {L"{123456zz-ABCD-EF01-2345-6789ABCDEF01}", kFirstInterfaceId, std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FamilyMember(c.classId, c.member), c.expected) << testing::PrintToString(std::wstring(c.classId));
}
