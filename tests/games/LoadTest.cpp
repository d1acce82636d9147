// The Games list under load: 40,000 entries in the real registry load whole, and removing one of
// them takes exactly that entry and its family.
#include <gtest/gtest.h>

#include <chrono>
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

using Clock = std::chrono::steady_clock;
long long MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
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

  // The game's whole registration: class with server and type library, and the other members.
  void PlantFamily(int i, const std::string& server) {
    const Family f = FamilyOf(i);
    RegisterClass(f.classId, server, f.typeLibId);
    PlantMembers(f);
  }

  void ExpectFamily(int i, bool present) {
    const Family f = FamilyOf(i);
    const std::vector<std::string> keys = {"CLSID\\" + f.classId, "CLSID\\" + f.secondClassId,
                                           "Interface\\" + f.firstInterfaceId, "Interface\\" + f.secondInterfaceId,
                                           "TypeLib\\" + f.typeLibId};
    for (const std::string& key : keys) {
      EXPECT_EQ(testenv::KeyExists(HKEY_CLASSES_ROOT, key), present) << GameName(i) << ": " << key;
      EXPECT_EQ(testenv::KeyExists(HKEY_LOCAL_MACHINE, "Software\\CLASSES\\" + key), present)
          << GameName(i) << ": " << key;
    }
    EXPECT_EQ(EntryExists(GameName(i)), present) << GameName(i);
  }
};

TEST_F(GamesLoadTest, FortyThousandEntriesLoadWholeAndOneGoesWithItsFamily) {
  LetFirstTickPass();
  const std::string dir = testenv::TestDir();
  const Family target = FamilyOf(kTarget);
  const std::string server = dir + "target head.ocx";
  testenv::WriteFileBytes(server, "");

  auto start = Clock::now();
  PlantGames();
  PlantFamily(kTarget, server);
  PlantFamily(kTarget - 1, dir + "before.ocx");
  PlantFamily(kTarget + 1, dir + "after.ocx");
  // Keys one digit away from the target's family, and one more game ("Neighbour Game").
  PlantNeighbours(target);
  ASSERT_EQ(SubKeyCount(kList), 40000u);
  const long long plantMs = MsSince(start);

  start = Clock::now();
  Form().LoadGames();
  const long long loadMs = MsSince(start);
  std::printf("planting 40000 entries: %lld ms; LoadGames: %lld ms\n", plantMs, loadMs);

  ASSERT_EQ(Form().ListCount(), 40000);
  EXPECT_EQ(Form().ListItem(0), L"Game 00000");
  EXPECT_EQ(Form().ListItem(kTarget), L"Game 23456");
  EXPECT_EQ(Form().ListItem(32768), L"Game 32768");
  EXPECT_EQ(Form().ListItem(kGames - 1), L"Game 39998");
  EXPECT_EQ(Form().ListItem(39999), L"Neighbour Game");
  EXPECT_EQ(Boxes().SeenCount(), 0u);
  testenv::CountFigure("registry_load_entries", Form().ListCount());

  // The box shows the target's server, so the class keys go too.
  Form().SetFileBoxText(FromAnsi(server));
  Select(L"Game 23456");
  ASSERT_EQ(Form().ListText(), L"Game 23456");
  start = Clock::now();
  Form().RemoveGame(FromAnsi(target.classId));
  std::printf("RemoveGame among 40000: %lld ms\n", MsSince(start));

  ExpectFamily(kTarget, false);
  ExpectFamily(kTarget - 1, true);
  ExpectFamily(kTarget + 1, true);
  ExpectNeighboursSurvive();
  EXPECT_EQ(SubKeyCount(kList), 39999u);

  // The name goes from the list with the next refresh.
  EXPECT_TRUE(Form().Timer1Enabled());
  EXPECT_TRUE(Listed(L"Game 23456"));
  ASSERT_TRUE(PumpUntil([&] { return !Form().Timer1Enabled(); }, 3000)) << "the refresh timer never ticked";
  EXPECT_EQ(Form().ListCount(), 39999);
  EXPECT_FALSE(Listed(L"Game 23456"));
  EXPECT_EQ(Form().ListItem(kTarget - 1), L"Game 23455");
  EXPECT_EQ(Form().ListItem(kTarget), L"Game 23457");
  EXPECT_EQ(Boxes().SeenCount(), 0u);
}

}  // namespace
