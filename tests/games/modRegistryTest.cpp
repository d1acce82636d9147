#include "games/modRegistry.h"

#include <gtest/gtest.h>

#include "TestEnv.h"
#include "app/AnsiText.h"

using namespace modRegistry;
using testenv::KeyExists;
using testenv::SetSz;

namespace {

const std::string kBase = "Software\\VeskTest\\modRegistry";
const std::wstring kBaseW = L"Software\\VeskTest\\modRegistry";
const HKEY kUser = HKEY_CURRENT_USER;

class RegistryLayer : public ::testing::Test {
 protected:
  void SetUp() override { testenv::DeleteTree(kUser, kBase); }
  void TearDown() override { testenv::DeleteTree(kUser, kBase); }

  // A sub-key made relative to its parent, as a long name's whole path could be too long; false when refused.
  static bool PlantSubKey(const std::wstring& parent, const std::wstring& name) {
    HKEY key = nullptr, sub = nullptr;
    RegCreateKeyExW(kUser, parent.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    const bool made = RegCreateKeyExW(key, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr) == 0;
    RegCloseKey(sub);
    RegCloseKey(key);
    return made;
  }
  // The sub-key names as the platform enumerates them.
  static std::vector<std::wstring> Enumerated(const std::wstring& path) {
    std::vector<std::wstring> names;
    HKEY key = nullptr;
    RegOpenKeyExW(kUser, path.c_str(), 0, KEY_READ, &key);
    wchar_t name[512];
    for (DWORD i = 0, size = 512; RegEnumKeyExW(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) == 0;
         ++i, size = 512)
      names.emplace_back(name, size);
    RegCloseKey(key);
    return names;
  }
};

TEST_F(RegistryLayer, ReadsOnlyStringValuesUpToTheirFirstNulElseTheDefault) {
  SetSz(kUser, kBase + "\\WithPath", "", "C:\\Heads\\chess.ocx");
  EXPECT_EQ(ReadRegString(kUser, kBaseW + L"\\WithPath", L""), L"C:\\Heads\\chess.ocx");
  EXPECT_EQ(ReadRegString(kUser, kBaseW + L"\\Missing", L"", L"none"), L"none");

  struct Case {
    const char* name;
    DWORD type;
    std::string bytes;
    std::wstring expected;
  };
  const Case cases[] = {
      {"NoNul", REG_SZ, "abc", L"abc"},
      {"EmbeddedNul", REG_SZ, std::string("ab\0cd\0", 6), L"ab"},
      {"NoData", REG_SZ, "", L""},  // present but empty: the empty text, not the default
      {"OnlyNul", REG_SZ, std::string(1, '\0'), L""},
      {"Expand", REG_EXPAND_SZ, std::string("%TEMP%\\x", 9), L"<default>"},
      {"Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5), L"<default>"},
      {"Number", REG_DWORD, std::string("\x01\x00\x00\x00", 4), L"<default>"},
      {"Bytes", REG_BINARY, "text", L"<default>"},
      {"Missing", 0, "", L"<default>"},
  };
  for (const Case& c : cases)
    if (c.type) testenv::SetValue(kUser, kBase, c.name, c.type, c.bytes);
  for (const Case& c : cases)
    EXPECT_EQ(ReadRegString(kUser, kBaseW, FromAnsi(c.name), L"<default>"), c.expected) << c.name;
}

TEST_F(RegistryLayer, WriteCreatesMissingLevelsAndStoresTextWithItsNul) {
  const std::wstring deep = kBaseW + L"\\one\\two\\three";
  WriteRegString(kUser, deep, L"Name", L"Caf\u00e9 value");
  WriteRegString(kUser, deep, L"", L"default text");
  ASSERT_TRUE(KeyExists(kUser, kBase + "\\one\\two\\three"));
  EXPECT_EQ(ReadRegString(kUser, deep, L"Name"), L"Caf\u00e9 value");
  EXPECT_EQ(ReadRegString(kUser, deep, L""), L"default text");  // read back as REG_SZ only

  // Overwriting an existing value with the empty text.
  WriteRegString(kUser, deep, L"Name", L"");
  EXPECT_EQ(ReadRegString(kUser, deep, L"Name", L"<default>"), L"");
}

TEST_F(RegistryLayer, DeleteRemovesOneKeyWithItsSubKeysAndAMissingKeyIsHarmless) {
  // A class key with its InprocServer32 goes whole; its siblings stay.
  for (const char* key : {"\\Gone", "\\Stays", "\\Class\\InprocServer32", "\\Class\\TypeLib",
                          "\\Class2\\InprocServer32"})
    SetSz(kUser, kBase + key, "", "y");
  for (const wchar_t* path : {L"\\Gone", L"\\Gone", L"\\Never\\There", L"\\Class"}) DeleteRegKey(kUser, kBaseW + path);
  EXPECT_FALSE(KeyExists(kUser, kBase + "\\Gone"));
  EXPECT_FALSE(KeyExists(kUser, kBase + "\\Class"));
  EXPECT_EQ(ReadRegString(kUser, kBaseW + L"\\Stays", L""), L"y");
  EXPECT_TRUE(KeyExists(kUser, kBase + "\\Class2\\InprocServer32"));
  // A path ending in a backslash names a whole tree: nothing below it is removed.
  DeleteRegKey(kUser, kBaseW + L"\\");
  EXPECT_TRUE(KeyExists(kUser, kBase + "\\Class2\\InprocServer32"));
}

TEST_F(RegistryLayer, ListsDirectSubKeysOfAnyLegalNameInOrderSkippingUnreadableOnesOrNothing) {
  const std::wstring names = kBaseW + L"\\Names", longest = L"B" + std::wstring(254, L'x');
  const std::vector<std::wstring> legal = {L"alpha", longest, L"MiXed", L"\u0428\u0430\u0445\u043c\u0430\u0442\u044b"};
  for (const std::wstring& name : legal) ASSERT_TRUE(PlantSubKey(names, name));
  ASSERT_TRUE(PlantSubKey(names + L"\\alpha", L"Nested"));  // not a direct sub-key
  ASSERT_EQ(Enumerated(names), legal);
  EXPECT_EQ(ListRegSubKeys(kUser, names), legal);
  // A name longer than the platform allows (Wine takes one more character) cannot be read whole.
  ASSERT_TRUE(PlantSubKey(names, L"B" + longest));
  EXPECT_EQ(ListRegSubKeys(kUser, names), legal);

  // Nothing for a key without sub-keys or a missing key.
  SetSz(kUser, kBase + "\\Leaf", "Value", "only values here");
  EXPECT_EQ(ListRegSubKeys(kUser, kBaseW + L"\\Leaf"), std::nullopt);
  EXPECT_EQ(ListRegSubKeys(kUser, kBaseW + L"\\Missing"), std::nullopt);
}

}  // namespace
