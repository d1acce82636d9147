#include <gtest/gtest.h>

#include <algorithm>

#include "GamesFixture.h"
#include "app/AnsiText.h"
#include "app/MsgBox.h"

using namespace gamestest;
using testenv::KeyExists;

namespace {

// ---------------------------------------------------------------- LoadGames

using LoadGames = GamesTest;

// List boxes that take one name and then report that they have no room for more.
WNDPROC g_listBoxProc = nullptr;
LRESULT CALLBACK FullAfterOne(HWND list, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == LB_ADDSTRING && CallWindowProcW(g_listBoxProc, list, LB_GETCOUNT, 0, 0) >= 1) return LB_ERRSPACE;
  return CallWindowProcW(g_listBoxProc, list, msg, wParam, lParam);
}

TEST_F(LoadGames, ListsTheEntriesInRegistryOrderOrNothingAndReportsAnUnexpectedError) {
  const std::pair<const char*, const char*> empty[] = {
      // what is wrong, and the one key below "Software\CLASSES\Software\"
      {"no vendor key", "Other\\VPgames32\\Chess"},
      {"vendor key spelled differently", "UBIQUE\\VPgames32\\Chess"},
      {"no Games list key", "Ubique\\Other\\Chess"},
      {"a Games list without entries", "Ubique\\VPgames32"},
  };
  for (const auto& [what, key] : empty) {
    testenv::DeleteTree(HKEY_LOCAL_MACHINE, kVendors + "\\Ubique");
    testenv::DeleteTree(HKEY_LOCAL_MACHINE, kVendors + "\\Other");
    testenv::SetSz(HKEY_LOCAL_MACHINE, kVendors + "\\" + key, "", "x");
    Form().ListAdd(L"stale");
    Form().LoadGames();
    EXPECT_EQ(Form().ListCount(), 0) << what;
  }
  testenv::DeleteTree(HKEY_LOCAL_MACHINE, kVendors + "\\Ubique");
  testenv::DeleteTree(HKEY_LOCAL_MACHINE, kVendors + "\\Other");

  Form().ListAdd(L"stale");
  AddEntry("Darts", "{11111111-1111-1111-1111-111111111111}");
  AddEntry("Chess", "{22222222-2222-2222-2222-222222222222}");
  Form().LoadGames();
  // The order in which the registry enumerates them.
  std::vector<std::wstring> expected, shown;
  HKEY key = nullptr;
  RegOpenKeyExA(HKEY_LOCAL_MACHINE, kList.c_str(), 0, KEY_READ, &key);
  char name[256];
  for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) expected.push_back(FromAnsi(name));
  RegCloseKey(key);
  for (int i = 0; i < Form().ListCount(); ++i) shown.push_back(Form().ListItem(i));
  ASSERT_EQ(expected.size(), 2u);
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(Boxes().SeenCount(), 0u);

  // An unexpected error is reported, and the names listed so far stay.
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
  EXPECT_TRUE(IsWindowVisible(Form().lstGames()));  // the list box draws again after the error
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

LoggedDelete ChessEntry() { return {HKEY_LOCAL_MACHINE, kList + "\\Chess"}; }

// Everything a whole family removal deletes, in its order: the entry, then the registration.
std::vector<LoggedDelete> FamilyDeletes(const Family& f) {
  return {
      ChessEntry(),
      {HKEY_CLASSES_ROOT, "CLSID\\" + f.classId},
      {HKEY_CLASSES_ROOT, "CLSID\\" + f.secondClassId},
      {HKEY_LOCAL_MACHINE, kLmInterface + f.firstInterfaceId},
      {HKEY_LOCAL_MACHINE, kLmInterface + f.secondInterfaceId},
      {HKEY_LOCAL_MACHINE, kLmTypeLib + f.typeLibId},
      {HKEY_CLASSES_ROOT, "Interface\\" + f.firstInterfaceId},
      {HKEY_CLASSES_ROOT, "Interface\\" + f.secondInterfaceId},
  };
}

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

  // The keys RemoveGame asked to delete; each of them is gone afterwards.
  std::vector<LoggedDelete> Remove(const std::string& classId) {
    DeleteLog log;
    Form().RemoveGame(FromAnsi(classId));
    for (const LoggedDelete& d : log.Entries()) EXPECT_FALSE(KeyExists(d.root, d.path)) << d;
    return log.Entries();
  }

  // The neighbours stay; the entry's key is gone at once, its name with the next refresh.
  void ExpectOnlyChessGone() {
    ExpectNeighboursSurvive();
    EXPECT_FALSE(EntryExists("Chess"));
    EXPECT_TRUE(Form().Timer1Enabled());
    EXPECT_TRUE(Listed(L"Chess")) << "the list changes only when the timer ticks";
    EXPECT_TRUE(PumpUntil([&] { return !Listed(L"Chess"); }, 3000));
    EXPECT_TRUE(Listed(L"Neighbour Game"));
  }
};

TEST_F(RemoveGame, AFamilyLosesWhatItsTrustAndTheShownPathAllow) {
  struct Case {
    const Family* f;
    std::string typeLib, fileBox;
    std::vector<int> deleted;  // indexes into FamilyDeletes
  };
  const std::vector<int> whole = {0, 1, 2, 3, 4, 5, 6, 7}, entryAndClass = {0, 1};
  const Case cases[] = {
      {&k4C, k4C.typeLibId, kServer, whole},
      {&k12, k12.typeLibId, kServer, whole},
      // Another path in the box: the class keys stay.
      {&k4C, k4C.typeLibId, "C:\\vesktest\\other\\chess.ocx", {0, 3, 4, 5, 6, 7}},
      // Not trusted: the class names another type library than the derived one (by case too), or none.
      {&k12, "{abcdef0f-5a6b-4c7d-8e9f-0a1b2c3d4e5f}", kServer, entryAndClass},
      {&k4C, "{12345648-5A6B-4C7D-8E9F-0A1B2C3D4E5F}", kServer, entryAndClass},
      {&k4C, "", kServer, entryAndClass},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.f->classId + " naming TypeLib \"" + c.typeLib + "\", box " + c.fileBox);
    PlantHead(*c.f, c.typeLib, c.fileBox);
    const std::vector<LoggedDelete> family = FamilyDeletes(*c.f);
    std::vector<LoggedDelete> expected;
    for (int i : c.deleted) expected.push_back(family[i]);
    EXPECT_EQ(Remove(c.f->classId), expected);
    for (const LoggedDelete& d : family)
      if (std::ranges::find(expected, d) == expected.end()) EXPECT_TRUE(KeyExists(d.root, d.path)) << d;
    if (KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + c.f->classId))
      EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + c.f->classId + "\\InprocServer32"));
    ExpectOnlyChessGone();
    ForgetPlanted();
  }
}

TEST_F(RemoveGame, TextThatIsNoClassIdOrNoSelectionKeepsTheRest) {
  PlantHead(k4C, k4C.typeLibId, kServer);
  for (const std::string bad : {"", "{1234564C}", "{1234564C-5A6B-4C7D-8E9F-0A1B2C3D4E5F}\\InprocServer32",
                                "{1234564C-5A6B-4C7D-8E9F\\0A1B2C3D4E5F}", "{1234564G-5A6B-4C7D-8E9F-0A1B2C3D4E5F}"}) {
    SCOPED_TRACE(bad);
    AddEntry("Chess", bad);
    EXPECT_EQ(Remove(bad), std::vector<LoggedDelete>{ChessEntry()});
  }
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + k4C.classId + "\\InprocServer32"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + k4C.secondClassId));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kLmTypeLib + k4C.typeLibId));
  ExpectNeighboursSurvive();

  // With no entry selected, no part of the list is deleted.
  AddEntry("Chess", k4C.classId);
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
  const std::string above = "CLSID\\{00000100-0000-0000-0000-0000000000AA}";
  const std::string wrapped = "CLSID\\{00000000-0000-0000-0000-0000000000AA}";
  RegisterClass(ff.classId, kServer, ff.typeLibId);
  RegisterClass(low, kServer, "{123456FF-0000-0000-0000-000000000000}");
  Plant(HKEY_CLASSES_ROOT, above);
  Plant(HKEY_CLASSES_ROOT, wrapped);
  Form().SetFileBoxText(FromAnsi(kServer));
  AddEntry("Chess", ff.classId);
  Form().LoadGames();
  Select(L"Chess");
  std::vector<LoggedDelete> expected = FamilyDeletes(ff);
  expected.erase(expected.begin() + 2);
  EXPECT_EQ(Remove(ff.classId), expected);
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, above));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, wrapped));

  AddEntry("Chess", low);
  EXPECT_EQ(Remove(low), (std::vector<LoggedDelete>{ChessEntry(), {HKEY_CLASSES_ROOT, "CLSID\\" + low}}));
}

}  // namespace
