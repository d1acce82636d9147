#include "games/modRegistry.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "TestEnv.h"
#include "app/AnsiText.h"

using namespace modRegistry;
using testenv::KeyExists;
using testenv::SetValue;

namespace {

const std::string kBase = "Software\\VeskTest\\modRegistry";
const std::wstring kBaseW = L"Software\\VeskTest\\modRegistry";

class RegistryLayer : public ::testing::Test {
 protected:
  void SetUp() override { testenv::DeleteTree(HKEY_CURRENT_USER, kBase); }
  void TearDown() override { testenv::DeleteTree(HKEY_CURRENT_USER, kBase); }

  static std::wstring Read(const std::string& name, const std::wstring& def = L"<default>") {
    return ReadRegString(HKEY_CURRENT_USER, kBaseW, FromAnsi(name), def);
  }
  static void Plant(const std::string& name, DWORD type, const std::string& bytes) {
    SetValue(HKEY_CURRENT_USER, kBase, name, type, bytes);
  }
  // A sub-key made relative to its parent: the whole path of a long name would be too long a text
  // for the platform's ANSI path conversion.
  static void PlantSubKey(const std::string& parent, const std::string& name) {
    HKEY key = nullptr, sub = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, parent.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
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
    RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key);
    char name[512];
    for (DWORD i = 0;; ++i) {
      DWORD size = sizeof name;
      if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      names.push_back(FromAnsi(name));
    }
    RegCloseKey(key);
    return names;
  }
};

TEST_F(RegistryLayer, DefaultValueIsReadWhenPresentAndDefaultedWhenAbsent) {
  testenv::SetSz(HKEY_CURRENT_USER, kBase + "\\WithPath", "", "C:\\Heads\\chess.ocx");
  testenv::SetSz(HKEY_CURRENT_USER, kBase + "\\WithoutDefault", "Other", "x");
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kBaseW + L"\\WithPath", L""), L"C:\\Heads\\chess.ocx");
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kBaseW + L"\\WithoutDefault", L"", L"none"), L"none");
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kBaseW + L"\\WithoutDefault", L""), L"");
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kBaseW + L"\\Missing", L"", L"none"), L"none");
}

TEST_F(RegistryLayer, OnlyStringValuesAreReadUpToTheirFirstNul) {
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
  };
  for (const Case& c : cases) Plant(c.name, c.type, c.bytes);
  for (const Case& c : cases) EXPECT_EQ(Read(c.name), c.expected) << c.name;
  EXPECT_EQ(Read("Missing"), L"<default>");
}

TEST_F(RegistryLayer, WriteCreatesMissingLevelsAndStoresTextWithItsNul) {
  const std::wstring deep = kBaseW + L"\\one\\two\\three";
  WriteRegString(HKEY_CURRENT_USER, deep, L"Name", L"Caf\u00e9 value");
  WriteRegString(HKEY_CURRENT_USER, deep, L"", L"default text");
  ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, kBase + "\\one\\two\\three"));
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, deep, L"Name"), L"Caf\u00e9 value");
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, deep, L""), L"default text");

  HKEY key = nullptr;
  RegOpenKeyExA(HKEY_CURRENT_USER, (kBase + "\\one\\two\\three").c_str(), 0, KEY_READ, &key);
  DWORD type = 0, size = 0;
  RegQueryValueExA(key, "Name", nullptr, &type, nullptr, &size);
  RegCloseKey(key);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, ToAnsi(L"Caf\u00e9 value").size() + 1);

  // Overwriting an existing value with the empty text.
  WriteRegString(HKEY_CURRENT_USER, deep, L"Name", L"");
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, deep, L"Name", L"<default>"), L"");
}

TEST_F(RegistryLayer, DeleteRemovesOneKeyAndAMissingKeyIsHarmless) {
  testenv::SetSz(HKEY_CURRENT_USER, kBase + "\\Gone", "", "x");
  testenv::SetSz(HKEY_CURRENT_USER, kBase + "\\Stays", "", "y");
  DeleteRegKey(HKEY_CURRENT_USER, kBaseW + L"\\Gone");
  DeleteRegKey(HKEY_CURRENT_USER, kBaseW + L"\\Gone");
  DeleteRegKey(HKEY_CURRENT_USER, kBaseW + L"\\Never\\There");
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kBase + "\\Gone"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kBase + "\\Stays"));
  EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kBaseW + L"\\Stays", L""), L"y");

  // A key with sub-keys (a class key with its InprocServer32) goes whole; its siblings stay.
  testenv::SetSz(HKEY_CURRENT_USER, kBase + "\\Class\\InprocServer32", "", "C:\\gone.ocx");
  testenv::SetSz(HKEY_CURRENT_USER, kBase + "\\Class\\TypeLib", "", "{lib}");
  testenv::SetSz(HKEY_CURRENT_USER, kBase + "\\Class2\\InprocServer32", "", "C:\\kept.ocx");
  DeleteRegKey(HKEY_CURRENT_USER, kBaseW + L"\\Class");
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kBase + "\\Class"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kBase + "\\Class2\\InprocServer32"));
  // A path ending in a backslash names a whole tree: nothing below it is removed.
  DeleteRegKey(HKEY_CURRENT_USER, kBaseW + L"\\");
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kBase + "\\Class2\\InprocServer32"));
}

TEST_F(RegistryLayer, ListsSubKeysInEnumerationOrderKeepingTheirCase) {
  for (const char* name : {"Zebra", "alpha", "MiXed"}) testenv::SetSz(HKEY_CURRENT_USER, kBase + "\\" + name, "", "");
  testenv::SetSz(HKEY_CURRENT_USER, kBase + "\\alpha\\Nested", "", "");  // not a direct sub-key
  const auto listed = ListRegSubKeys(HKEY_CURRENT_USER, kBaseW);
  ASSERT_TRUE(listed.has_value());
  EXPECT_EQ(*listed, Enumerated(kBase));
  EXPECT_EQ(listed->size(), 3u);
  EXPECT_NE(std::find(listed->begin(), listed->end(), L"MiXed"), listed->end());
}

TEST_F(RegistryLayer, NothingListedForAKeyWithoutSubKeysOrAMissingKey) {
  testenv::SetSz(HKEY_CURRENT_USER, kBase + "\\Leaf", "Value", "only values here");
  EXPECT_EQ(ListRegSubKeys(HKEY_CURRENT_USER, kBaseW + L"\\Leaf"), std::nullopt);
  EXPECT_EQ(ListRegSubKeys(HKEY_CURRENT_USER, kBaseW + L"\\Missing"), std::nullopt);
}

TEST_F(RegistryLayer, A254CharacterNameIsListedALongerOneEndsTheListing) {
  const std::string fits = "B" + std::string(253, 'x');
  ASSERT_EQ(fits.size(), 254u);
  PlantSubKey(kBase + "\\Fits", "A");
  PlantSubKey(kBase + "\\Fits", fits);
  const auto both = ListRegSubKeys(HKEY_CURRENT_USER, kBaseW + L"\\Fits");
  ASSERT_TRUE(both.has_value());
  EXPECT_EQ(*both, (std::vector<std::wstring>{L"A", FromAnsi(fits)}));

  const std::string tooLong = "B" + std::string(254, 'x');
  for (const std::string& name : {std::string("A"), tooLong, std::string("C")})
    PlantSubKey(kBase + "\\TooLong", name);
  ASSERT_EQ(Enumerated(kBase + "\\TooLong"), (std::vector<std::wstring>{L"A", FromAnsi(tooLong), L"C"}));
  const auto cut = ListRegSubKeys(HKEY_CURRENT_USER, kBaseW + L"\\TooLong");
  ASSERT_TRUE(cut.has_value());
  EXPECT_EQ(*cut, (std::vector<std::wstring>{L"A"}));
}

}  // namespace
