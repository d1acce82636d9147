// The Games list under load: 40,000 entries in the real registry load whole, and removing one of
// them takes exactly that entry and its family.
#include <gtest/gtest.h>

#include <cstdio>

#include "GamesFixture.h"
#include "app/AnsiText.h"

using namespace gamestest;

namespace {

constexpr int kGames = 39999;  // "Game 00000" to "Game 39998"; the neighbour game makes 40,000
constexpr int kTarget = 23456;

std::string GameName(int i) {
  char name[16];
  std::snprintf(name, sizeof name, "Game %05d", i);
  return name;
}

// Every game has a class id of its own; characters 8 and 9 are 4C for all of them, so that their
// families differ from each other in the digits before.
Family FamilyOf(int i) {
  auto id = [i](const char* digits) {
    char text[40];
    std::snprintf(text, sizeof text, "{%06X%s-5A6B-4C7D-8E9F-0A1B2C3D4E5F}", static_cast<unsigned>(i), digits);
    return std::string(text);
  };
  return {id("4C"), id("4D"), id("4B"), id("4A"), id("49")};
}

DWORD SubKeyCount(const std::string& path) {
  HKEY key = nullptr;
  DWORD count = 0;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr);
  RegCloseKey(key);
  return count;
}

class GamesLoadTest : public GamesTest {
 protected:
  void PlantGames() {
    HKEY list = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kList.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &list, nullptr),
        ERROR_SUCCESS);
    for (int i = 0; i < kGames; ++i) {
      const std::string classId = FamilyOf(i).classId;
      HKEY entry = nullptr;
      RegCreateKeyExA(list, GameName(i).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &entry, nullptr);
      RegSetValueExA(entry, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(classId.c_str()),
                     static_cast<DWORD>(classId.size() + 1));
      RegCloseKey(entry);
    }
    RegCloseKey(list);
  }

  void ExpectFamily(int i, bool present) {
    const Family f = FamilyOf(i);
    for (const std::string& key : {"CLSID\\" + f.classId, "CLSID\\" + f.secondClassId, "TypeLib\\" + f.typeLibId,
                                   "Interface\\" + f.firstInterfaceId, "Interface\\" + f.secondInterfaceId}) {
      EXPECT_EQ(testenv::KeyExists(HKEY_CLASSES_ROOT, key), present) << GameName(i) << ": " << key;
      EXPECT_EQ(testenv::KeyExists(HKEY_LOCAL_MACHINE, "Software\\CLASSES\\" + key), present) << GameName(i);
    }
    EXPECT_EQ(EntryExists(GameName(i)), present) << GameName(i);
  }
};

TEST_F(GamesLoadTest, FortyThousandEntriesLoadWholeAndOneGoesWithItsFamily) {
  LetFirstTickPass();
  const std::string dir = testenv::TestDir();
  const std::string server = dir + "target head.ocx";
  testenv::WriteFileBytes(server, "");

  PlantGames();
  // The whole registration of the target and the games before and after it.
  for (int i : {kTarget - 1, kTarget, kTarget + 1}) {
    const std::string file = i == kTarget ? server : dir + "other.ocx";
    RegisterClass(FamilyOf(i).classId, file, FamilyOf(i).typeLibId);
    PlantMembers(FamilyOf(i), file);
  }
  // Keys one digit away from the target's family, and one more game ("Neighbour Game").
  PlantNeighbours(FamilyOf(kTarget));
  ASSERT_EQ(SubKeyCount(kList), 40000u);
  Form().LoadGames();

  ASSERT_EQ(Form().ListCount(), 40000);
  for (int i : {0, kTarget, 32767, 32768, kGames - 1}) EXPECT_EQ(Form().ListItem(i), FromAnsi(GameName(i)));
  EXPECT_EQ(Form().ListItem(39999), L"Neighbour Game");
  EXPECT_EQ(Boxes().SeenCount(), 0u);
  testenv::CountFigure("registry_load_entries", Form().ListCount());

  // The box shows the target's server, so the class keys go too.
  Form().SetFileBoxText(FromAnsi(server));
  Form().RemoveGame(L"Game 23456", FromAnsi(FamilyOf(kTarget).classId));
  for (int i : {kTarget - 1, kTarget, kTarget + 1}) ExpectFamily(i, i != kTarget);
  ExpectNeighboursSurvive();
  EXPECT_EQ(SubKeyCount(kList), 39999u);

  // The name goes from the list with the next refresh.
  ASSERT_TRUE(PumpUntil([&] { return !Form().Timer1Enabled(); }, 3000)) << "the refresh timer never ticked";
  EXPECT_EQ(Form().ListCount(), 39999);
  EXPECT_FALSE(Listed(L"Game 23456"));
  EXPECT_EQ(Form().ListItem(kTarget - 1), L"Game 23455");
  EXPECT_EQ(Form().ListItem(kTarget), L"Game 23457");
  EXPECT_EQ(Boxes().SeenCount(), 0u);
}

}  // namespace
