#include "games/modRegistry.h"

#include <algorithm>

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

  // A sub-key made relative to its parent: the whole path of a long name would be too long a text
  // for the platform's ANSI path conversion.
  static void PlantSubKey(const std::string& parent, const std::string& name) {
    HKEY key = nullptr, sub = nullptr;
    ASSERT_EQ(RegCreateKeyExA(kUser, parent.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegCreateKeyExA(key, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
              ERROR_SUCCESS)
        << name.size() << " characters";
    RegCloseKey(sub);
    RegCloseKey(key);
  }
  // The sub-key names as the platform enumerates them.
  static std::vector<std::wstring> Enumerated(const std::string& path) {
    std::vector<std::wstring> names;
    HKEY key = nullptr;
    RegOpenKeyExA(kUser, path.c_str(), 0, KEY_READ, &key);
    char name[512];
    for (DWORD i = 0, size = sizeof name;
         RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, size = sizeof name)
      names.push_back(FromAnsi(name));
    RegCloseKey(key);
    return names;
  }
};

TEST_F(RegistryLayer, ReadsOnlyStringValuesUpToTheirFirstNulElseTheDefault) {
  SetSz(kUser, kBase + "\\WithPath", "", "C:\\Heads\\chess.ocx");
  SetSz(kUser, kBase + "\\WithoutDefault", "Other", "x");
  EXPECT_EQ(ReadRegString(kUser, kBaseW + L"\\WithPath", L""), L"C:\\Heads\\chess.ocx");
  EXPECT_EQ(ReadRegString(kUser, kBaseW + L"\\WithoutDefault", L"", L"none"), L"none");
  EXPECT_EQ(ReadRegString(kUser, kBaseW + L"\\WithoutDefault", L""), L"");
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
  EXPECT_EQ(ReadRegString(kUser, deep, L""), L"default text");

  HKEY key = nullptr;
  RegOpenKeyExA(kUser, (kBase + "\\one\\two\\three").c_str(), 0, KEY_READ, &key);
  DWORD type = 0, size = 0;
  RegQueryValueExA(key, "Name", nullptr, &type, nullptr, &size);
  RegCloseKey(key);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, ToAnsi(L"Caf\u00e9 value").size() + 1);

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

TEST_F(RegistryLayer, ListsDirectSubKeysInEnumerationOrderKeepingTheirCaseOrNothing) {
  for (const char* name : {"Zebra", "alpha", "MiXed"}) SetSz(kUser, kBase + "\\" + name, "", "");
  SetSz(kUser, kBase + "\\alpha\\Nested", "", "");  // not a direct sub-key
  const auto listed = ListRegSubKeys(kUser, kBaseW);
  ASSERT_TRUE(listed.has_value());
  EXPECT_EQ(*listed, Enumerated(kBase));
  EXPECT_EQ(listed->size(), 3u);
  EXPECT_NE(std::find(listed->begin(), listed->end(), L"MiXed"), listed->end());

  // Nothing for a key without sub-keys or a missing key.
  SetSz(kUser, kBase + "\\Leaf", "Value", "only values here");
  EXPECT_EQ(ListRegSubKeys(kUser, kBaseW + L"\\Leaf"), std::nullopt);
  EXPECT_EQ(ListRegSubKeys(kUser, kBaseW + L"\\Missing"), std::nullopt);
}

TEST_F(RegistryLayer, A254CharacterNameIsListedALongerOneEndsTheListing) {
  const std::string fits = "B" + std::string(253, 'x'), tooLong = fits + "x";
  for (const std::string& name : {std::string("A"), fits}) PlantSubKey(kBase + "\\Fits", name);
  EXPECT_EQ(ListRegSubKeys(kUser, kBaseW + L"\\Fits"), (std::vector<std::wstring>{L"A", FromAnsi(fits)}));

  for (const std::string& name : {std::string("A"), tooLong, std::string("C")}) PlantSubKey(kBase + "\\TooLong", name);
  ASSERT_EQ(Enumerated(kBase + "\\TooLong"), (std::vector<std::wstring>{L"A", FromAnsi(tooLong), L"C"}));
  EXPECT_EQ(ListRegSubKeys(kUser, kBaseW + L"\\TooLong"), (std::vector<std::wstring>{L"A"}));
}

}  // namespace
