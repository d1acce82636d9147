#include <gtest/gtest.h>

#include "DeleteLog.h"
#include "GamesFixture.h"
#include "app/AnsiText.h"
#include "app/MsgBox.h"

using namespace gamestest;

namespace {

// ---------------------------------------------------------------- LoadGames

using LoadGames = GamesTest;

TEST_F(LoadGames, ListsTheEntriesInRegistryOrderReplacingWhatWasShown) {
  Form().ListAdd(L"stale");
  AddEntry("Darts", "{11111111-1111-1111-1111-111111111111}");
  AddEntry("Chess", "{22222222-2222-2222-2222-222222222222}");
  Form().LoadGames();
  // The order in which the registry enumerates them.
  std::vector<std::wstring> expected;
  HKEY key = nullptr;
  RegOpenKeyExA(HKEY_LOCAL_MACHINE, kList.c_str(), 0, KEY_READ, &key);
  char name[256];
  for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) expected.push_back(FromAnsi(name));
  RegCloseKey(key);
  ASSERT_EQ(expected.size(), 2u);
  EXPECT_EQ(ListNames(), expected);
  EXPECT_EQ(Boxes().SeenCount(), 0u);
}

TEST_F(LoadGames, EmptyWithoutAWordWhenThereIsNothingToList) {
  struct Case {
    const char* what;
    std::vector<std::string> keys;  // below "Software\CLASSES\Software\"
  };
  const Case cases[] = {
      {"no vendor key", {"Other\\VPgames32\\Chess"}},
      {"vendor key spelled differently", {"UBIQUE\\VPgames32\\Chess"}},
      {"no Games list key", {"Ubique\\Other\\Chess"}},
      {"a Games list without entries", {"Ubique\\VPgames32"}},
  };
  for (const Case& c : cases) {
    testenv::DeleteTree(HKEY_LOCAL_MACHINE, kVendors + "\\Ubique");
    testenv::DeleteTree(HKEY_LOCAL_MACHINE, kVendors + "\\Other");
    for (const std::string& k : c.keys) testenv::SetSz(HKEY_LOCAL_MACHINE, kVendors + "\\" + k, "", "x");
    Form().ListAdd(L"stale");
    Form().LoadGames();
    EXPECT_EQ(Form().ListCount(), 0) << c.what;
  }
  testenv::DeleteTree(HKEY_LOCAL_MACHINE, kVendors + "\\Other");
  EXPECT_EQ(Boxes().SeenCount(), 0u);
}

TEST_F(LoadGames, ListsMoreThan32768EntriesWhole) {
  constexpr int kCount = 33000;
  HKEY list = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kList.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &list, nullptr),
            ERROR_SUCCESS);
  char name[32];
  for (int i = 0; i < kCount; ++i) {
    snprintf(name, sizeof name, "Game %05d", i);
    HKEY entry = nullptr;
    RegCreateKeyExA(list, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &entry, nullptr);
    RegCloseKey(entry);
  }
  RegCloseKey(list);
  Form().LoadGames();

  ASSERT_EQ(Form().ListCount(), kCount);
  EXPECT_EQ(Form().ListItem(0), L"Game 00000");
  EXPECT_EQ(Form().ListItem(32767), L"Game 32767");
  EXPECT_EQ(Form().ListItem(32768), L"Game 32768");
  EXPECT_EQ(Form().ListItem(kCount - 1), L"Game 32999");
  EXPECT_EQ(Boxes().SeenCount(), 0u);
}

// List boxes that take one name and then report that they have no room for more.
WNDPROC g_listBoxProc = nullptr;
LRESULT CALLBACK FullAfterOne(HWND list, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == LB_ADDSTRING && CallWindowProcW(g_listBoxProc, list, LB_GETCOUNT, 0, 0) >= 1) return LB_ERRSPACE;
  return CallWindowProcW(g_listBoxProc, list, msg, wParam, lParam);
}

TEST_F(LoadGames, AnUnexpectedErrorIsReportedAndTheNamesSoFarStay) {
  AddEntry("Chess", "{22222222-2222-2222-2222-222222222222}");
  AddEntry("Darts", "{11111111-1111-1111-1111-111111111111}");
  HWND list = Form().lstGames();
  g_listBoxProc = reinterpret_cast<WNDPROC>(
      SetClassLongPtrW(list, GCLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FullAfterOne)));
  Boxes().Answer(IDOK);
  Form().LoadGames();
  SetClassLongPtrW(list, GCLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_listBoxProc));

  ASSERT_EQ(Boxes().SeenCount(), 1u);
  const BoxInfo box = Boxes().Seen()[0];
  EXPECT_EQ(box.caption, kAppTitle);
  EXPECT_EQ(box.text, L"Error #7 with :VeskInstaller\r\nOut of memory");
  EXPECT_EQ(box.icon, BoxIcon::None);
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
  EXPECT_EQ(Form().ListCount(), 1);
  // The list box draws again after the error.
  EXPECT_TRUE(IsWindowVisible(Form().lstGames()));
}

// ---------------------------------------------------------------- RemoveGame

const Family k4C = {
    "{1234564C-5A6B-4C7D-8E9F-0A1B2C3D4E5F}", "{1234564D-5A6B-4C7D-8E9F-0A1B2C3D4E5F}",
    "{1234564B-5A6B-4C7D-8E9F-0A1B2C3D4E5F}", "{1234564A-5A6B-4C7D-8E9F-0A1B2C3D4E5F}",
    "{12345649-5A6B-4C7D-8E9F-0A1B2C3D4E5F}",
};
// Lower-case digits in the class id: the derived digits are upper case, the rest stays as it is.
const Family k12 = {
    "{abcdef12-5a6b-4c7d-8e9f-0a1b2c3d4e5f}", "{abcdef13-5a6b-4c7d-8e9f-0a1b2c3d4e5f}",
    "{abcdef11-5a6b-4c7d-8e9f-0a1b2c3d4e5f}", "{abcdef10-5a6b-4c7d-8e9f-0a1b2c3d4e5f}",
    "{abcdef0F-5a6b-4c7d-8e9f-0a1b2c3d4e5f}",
};
const std::string kServer = "C:\\vesktest\\gone\\chess.ocx";

class RemoveGame : public GamesTest {
 protected:
  // A selected entry "Chess" of a head whose class names typeLib, with its members and neighbours.
  void PlantHead(const Family& f, const std::string& typeLib, const std::string& fileBox) {
    AddEntry("Chess", f.classId);
    RegisterClass(f.classId, kServer, typeLib);
    PlantMembers(f);
    PlantNeighbours(f);
    LetFirstTickPass();
    // Set while nothing is selected: the box's own change handling has no entry to look at.
    Form().SetFileBoxText(FromAnsi(fileBox));
    Form().LoadGames();
    Select(L"Chess");
  }

  std::vector<LoggedDelete> Remove(const std::string& classId) {
    DeleteLog log;
    Form().RemoveGame(FromAnsi(classId));
    return log.Entries();
  }

  static LoggedDelete Entry() { return {HKEY_LOCAL_MACHINE, kList + "\\Chess"}; }

  void ExpectEntryGoneAfterTheNextTick() {
    EXPECT_FALSE(EntryExists("Chess"));
    EXPECT_TRUE(Form().Timer1Enabled());
    EXPECT_TRUE(Listed(L"Chess")) << "the list changes only when the timer ticks";
    EXPECT_TRUE(PumpUntil([&] { return !Listed(L"Chess"); }, 3000));
    EXPECT_TRUE(Listed(L"Neighbour Game"));
  }
};

std::vector<LoggedDelete> SevenDeletes(const Family& f) {
  return {
      {HKEY_LOCAL_MACHINE, kList + "\\Chess"},
      {HKEY_CLASSES_ROOT, "CLSID\\" + f.classId},
      {HKEY_CLASSES_ROOT, "CLSID\\" + f.secondClassId},
      {HKEY_LOCAL_MACHINE, "Software\\CLASSES\\Interface\\" + f.firstInterfaceId},
      {HKEY_LOCAL_MACHINE, "Software\\CLASSES\\Interface\\" + f.secondInterfaceId},
      {HKEY_LOCAL_MACHINE, "Software\\CLASSES\\TypeLib\\" + f.typeLibId},
      {HKEY_CLASSES_ROOT, "Interface\\" + f.firstInterfaceId},
      {HKEY_CLASSES_ROOT, "Interface\\" + f.secondInterfaceId},
  };
}

TEST_F(RemoveGame, TrustedFamilyWithTheServerShownGoesWhole) {
  for (const Family* f : {&k4C, &k12}) {
    SCOPED_TRACE(f->classId);
    PlantHead(*f, f->typeLibId, kServer);
    EXPECT_EQ(Remove(f->classId), SevenDeletes(*f));
    EXPECT_FALSE(testenv::KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + f->secondClassId));
    EXPECT_FALSE(testenv::KeyExists(HKEY_LOCAL_MACHINE, "Software\\CLASSES\\Interface\\" + f->firstInterfaceId));
    EXPECT_FALSE(testenv::KeyExists(HKEY_LOCAL_MACHINE, "Software\\CLASSES\\Interface\\" + f->secondInterfaceId));
    EXPECT_FALSE(testenv::KeyExists(HKEY_LOCAL_MACHINE, "Software\\CLASSES\\TypeLib\\" + f->typeLibId));
    ExpectNeighboursSurvive();
    ExpectEntryGoneAfterTheNextTick();
    ForgetPlanted();
  }
}

TEST_F(RemoveGame, TrustedFamilyWithAnotherPathShownKeepsTheClassKeys) {
  PlantHead(k4C, k4C.typeLibId, "C:\\vesktest\\other\\chess.ocx");
  std::vector<LoggedDelete> expected = SevenDeletes(k4C);
  expected.erase(expected.begin() + 1, expected.begin() + 3);
  EXPECT_EQ(Remove(k4C.classId), expected);
  EXPECT_TRUE(testenv::KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + k4C.secondClassId));
  EXPECT_TRUE(testenv::KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + k4C.classId + "\\InprocServer32"));
  EXPECT_FALSE(testenv::KeyExists(HKEY_LOCAL_MACHINE, "Software\\CLASSES\\TypeLib\\" + k4C.typeLibId));
  ExpectNeighboursSurvive();
  ExpectEntryGoneAfterTheNextTick();
}

TEST_F(RemoveGame, UntrustedFamilyLosesOnlyTheClassKey) {
  const std::string differentCase = "{abcdef0f-5a6b-4c7d-8e9f-0a1b2c3d4e5f}";
  const std::string otherId = "{12345648-5A6B-4C7D-8E9F-0A1B2C3D4E5F}";
  struct Case {
    const Family* f;
    std::string typeLib;
  };
  for (const Case& c : {Case{&k12, differentCase}, Case{&k4C, otherId}, Case{&k4C, ""}}) {
    SCOPED_TRACE("TypeLib value \"" + c.typeLib + "\"");
    PlantHead(*c.f, c.typeLib, kServer);
    const std::vector<LoggedDelete> expected = {Entry(), {HKEY_CLASSES_ROOT, "CLSID\\" + c.f->classId}};
    EXPECT_EQ(Remove(c.f->classId), expected);
    EXPECT_TRUE(testenv::KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + c.f->secondClassId));
    EXPECT_TRUE(testenv::KeyExists(HKEY_LOCAL_MACHINE, "Software\\CLASSES\\TypeLib\\" + c.f->typeLibId));
    ExpectNeighboursSurvive();
    ExpectEntryGoneAfterTheNextTick();
    ForgetPlanted();
  }
}

TEST_F(RemoveGame, TextThatIsNoClassIdRemovesOnlyTheEntry) {
  PlantHead(k4C, k4C.typeLibId, kServer);
  for (const std::string& bad : {std::string(""), std::string("{1234564C}"),
                                 std::string("{1234564C-5A6B-4C7D-8E9F-0A1B2C3D4E5F}\\InprocServer32"),
                                 std::string("{1234564C-5A6B-4C7D-8E9F\\0A1B2C3D4E5F}"),
                                 std::string("{1234564G-5A6B-4C7D-8E9F-0A1B2C3D4E5F}")}) {
    SCOPED_TRACE(bad);
    AddEntry("Chess", bad);
    EXPECT_EQ(Remove(bad), std::vector<LoggedDelete>{Entry()});
  }
  EXPECT_TRUE(testenv::KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + k4C.classId + "\\InprocServer32"));
  EXPECT_TRUE(testenv::KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + k4C.secondClassId));
  EXPECT_TRUE(testenv::KeyExists(HKEY_LOCAL_MACHINE, "Software\\CLASSES\\TypeLib\\" + k4C.typeLibId));
  ExpectNeighboursSurvive();
}

TEST_F(RemoveGame, NoEntrySelectedDeletesNoPartOfTheList) {
  PlantHead(k4C, k4C.typeLibId, "C:\\elsewhere.ocx");
  SendMessageW(Form().lstGames(), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  const std::vector<LoggedDelete> deletes = Remove(k4C.classId);
  ASSERT_FALSE(deletes.empty());
  for (const LoggedDelete& d : deletes) EXPECT_EQ(d.path.find("VPgames32"), std::string::npos) << d;
  EXPECT_TRUE(EntryExists("Chess"));
}

TEST_F(RemoveGame, NoCarryAtTheEdgesOfTheDigits) {
  // FF: no second class id, the rest of the family as usual.
  const Family ff = {
      "{000000FF-0000-0000-0000-0000000000AA}", "", "{000000FE-0000-0000-0000-0000000000AA}",
      "{000000FD-0000-0000-0000-0000000000AA}", "{000000FC-0000-0000-0000-0000000000AA}",
  };
  // 02: no type library id can be derived, so whatever the class names the family is not trusted.
  const std::string low = "{12345602-0000-0000-0000-000000000000}";
  RegisterClass(ff.classId, kServer, ff.typeLibId);
  RegisterClass(low, kServer, "{123456FF-0000-0000-0000-000000000000}");
  planted_.Key(HKEY_CLASSES_ROOT, "CLSID\\{00000100-0000-0000-0000-0000000000AA}");
  planted_.Key(HKEY_CLASSES_ROOT, "CLSID\\{00000000-0000-0000-0000-0000000000AA}");
  Form().SetFileBoxText(FromAnsi(kServer));
  AddEntry("Chess", ff.classId);
  Form().LoadGames();
  Select(L"Chess");
  std::vector<LoggedDelete> expected = SevenDeletes(ff);
  expected.erase(expected.begin() + 2);
  EXPECT_EQ(Remove(ff.classId), expected);
  EXPECT_TRUE(testenv::KeyExists(HKEY_CLASSES_ROOT, "CLSID\\{00000100-0000-0000-0000-0000000000AA}"));
  EXPECT_TRUE(testenv::KeyExists(HKEY_CLASSES_ROOT, "CLSID\\{00000000-0000-0000-0000-0000000000AA}"));

  AddEntry("Chess", low);
  EXPECT_EQ(Remove(low), (std::vector<LoggedDelete>{Entry(), {HKEY_CLASSES_ROOT, "CLSID\\" + low}}));
}

}  // namespace
