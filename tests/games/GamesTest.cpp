// The registry layer, the Games list's load and the removal of broken entries, on the real registry.
#include <algorithm>
#include <iterator>
#include <set>

#include "TestEnv.h"
#include "platform/AnsiText.h"
#include "app/WindowLayout.h"
#include "app/MainWindow.h"
#include "games/GameIds.h"
#include "games/GamesList.h"
#include "games/GamesStore.h"
#include "platform/RegistryKey.h"

namespace {

const HKEY LM = HKEY_LOCAL_MACHINE, CR = HKEY_CLASSES_ROOT;
const std::string kList = ToAnsi(GamesList::kListKey), kClasses = "Software\\CLASSES\\";
constexpr REGSAM kOtherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

// Sets a key's default value, making the key relative to its parent (a long name's whole path could
// be too long); false when the key is refused.
bool SetKey(HKEY root, const std::wstring& parent, const std::wstring& name, DWORD type, const std::wstring& value,
            REGSAM view = 0) {
  HKEY key = nullptr, sub = nullptr;
  RegCreateKeyExW(root, parent.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr);
  const bool made = !RegCreateKeyExW(key, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &sub, nullptr);
  RegSetValueExW(sub, nullptr, 0, type, reinterpret_cast<const BYTE*>(value.c_str()), (value.size() + 1) * 2);
  RegCloseKey(sub);
  RegCloseKey(key);
  return made;
}

// The keys directly below the trees a removal may touch, as HKLM\... or HKCR\..., to tell by a before
// and an after what it deleted.
std::set<std::wstring> RemovalTrees() {
  std::set<std::wstring> keys;
  const std::pair<HKEY, std::wstring> trees[] = {
      {LM, FromAnsi(kList)}, {LM, FromAnsi(kClasses + "TypeLib")}, {CR, L"CLSID"}, {CR, L"Interface"}};
  for (const auto& [root, tree] : trees) {
    HKEY key = nullptr;
    RegOpenKeyExW(root, tree.c_str(), 0, KEY_READ, &key);
    wchar_t name[256];
    for (DWORD i = 0, n = 256; RegEnumKeyExW(key, i, name, &n, nullptr, nullptr, nullptr, nullptr) == 0; ++i, n = 256)
      keys.insert((root == LM ? L"HKLM\\" : L"HKCR\\") + tree + L"\\" + std::wstring(name, n));
    RegCloseKey(key);
  }
  return keys;
}

class GamesTest : public testenv::MainWindowTest {
 protected:
  void SetUp() override {
    testenv::DeleteTree(LM, kClasses + "Software\\Ubique");
    MainWindowTest::SetUp();
  }
  void AddEntry(const std::wstring& name, const std::string& id) { SetKey(LM, FromAnsi(kList), name, REG_SZ, FromAnsi(id)); }
  bool Select(const std::wstring& name) {
    return SendMessageW(Window().GamesList(), LB_SELECTSTRING, -1, reinterpret_cast<LPARAM>(name.c_str())) != LB_ERR;
  }
  // Selects an entry the way a click does: the list box reports the change to the window.
  void Click(const std::wstring& name) {
    ASSERT_TRUE(Select(name)) << ToAnsi(name);
    SendMessageW(Window().hWnd(), WM_COMMAND, MAKEWPARAM(kGamesList, LBN_SELCHANGE), LPARAM(Window().GamesList()));
  }
  const std::string dir_ = testenv::TestDir();
};

// An entry is offered for removal only when its head's file is proven absent; No keeps it.
TEST_F(GamesTest, TheSelectionCheckOffersRemovalOnlyForAMissingFile) {
  const std::wstring head = FromAnsi(dir_ + "Chess Game Head.ocx"), hidden = FromAnsi(dir_ + "hidden.ocx");
  for (const std::wstring& file : {head, hidden}) testenv::WriteFileBytes(ToAnsi(file), "MZ");
  SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
  wchar_t shortPath[MAX_PATH] = {};
  GetShortPathNameW(head.c_str(), shortPath, MAX_PATH);
  const std::tuple<std::wstring, DWORD, std::wstring, REGSAM> cases[] = {  // the server, the box afterwards
      {shortPath, REG_SZ, head, 0}, {L"%SystemDrive%" + head.substr(2), REG_EXPAND_SZ, head, 0},
      {hidden, REG_SZ, hidden, 0}, {head, REG_SZ, head, kOtherView}, {FromAnsi(dir_ + "deleted.ocx"), REG_SZ, L"", 0},
      {L"%SystemDrive%\\nowhere.ocx", REG_EXPAND_SZ, L"", 0}, {FromAnsi(dir_).substr(0, dir_.size() - 1), REG_SZ, L"", 0},
      {L"", REG_SZ, L"", 0}};
  size_t asked = 0;
  for (wchar_t digit = L'0'; const auto& [server, type, shown, view] : cases) {
    SCOPED_TRACE(ToAnsi(server));
    const std::wstring id = L"{1234564C-5A6B-4C7D-8E9F-0A1B2C3D4E5" + std::wstring(1, digit++) + L"}";
    ASSERT_TRUE(SetKey(CR, L"CLSID", id + L"\\InprocServer32", type, server, view));
    AddEntry(L"Chess", ToAnsi(id));
    Window().ReloadGamesList();
    Window().SetHeadFileText(L"");
    Window().SetPanelText(L"");
    if (shown.empty()) Boxes().Answer(IDNO);
    Click(L"Chess");
    ASSERT_EQ(Boxes().SeenCount(), asked += shown.empty());
    if (shown.empty()) EXPECT_EQ(Boxes().Seen().back().caption, L"TypeLib Not Found");
    EXPECT_EQ(Window().HeadFileText(), shown);
    EXPECT_EQ(Window().PanelText().ends_with(GamesList::OtherBuildNote() + L"\r\n"), view != 0);
    EXPECT_TRUE(testenv::KeyExists(LM, kList + "\\Chess"));
  }
}

// A really broken head (registered, then its file deleted): Yes removes exactly the keys that point
// back to it. Keys one digit apart, in the wrong trees, of other heads and of the system stay.
TEST_F(GamesTest, YesRemovesExactlyTheKeysThatBelongToTheHead) {
  const std::string chess = testenv::CopyInto(testenv::HeadPath("chess.ocx"), dir_);
  for (const char* head : {"chess.ocx", "darts.ocx"})
    Window().Registrar().Run(FromAnsi(testenv::CopyInto(testenv::HeadPath(head), dir_)), L"");
  ASSERT_TRUE(DeleteFileA(chess.c_str()));
  std::vector<std::string> family;  // class, second class, interfaces, type library
  for (int offset : {0, 1, -1, -2, -3})
    family.push_back(ToAnsi(*GameIds::FamilyMember(L"{1E5A294C-7B3D-4C11-9A2E-6F01C3D5B7A1}", offset)));
  // Keys of the family's ids where they do not belong, and of ids one digit apart.
  const std::pair<HKEY, std::string> trees[] = {
      {CR, "CLSID\\"}, {LM, kClasses + "Interface\\"}, {LM, kClasses + "TypeLib\\"}};
  for (const std::string& member : family)
    for (const auto& [root, tree] : trees)
      for (size_t at : {0u, 1u, 36u}) {
        std::string id = member;
        if (at) id[at] = id[at] == '7' ? '8' : '7';
        if (!testenv::KeyExists(root, tree + id)) testenv::SetSz(root, tree + id, "", "neighbour");
      }
  // An entry claiming the system's automation interfaces as its family (they name no type library).
  const std::string system = "{00020404-0000-0000-C000-000000000046}";
  const std::wstring systemEntry = L"\u0428\u0430\u0445\u043c\u0430\u0442\u044b";
  AddEntry(systemEntry, system);
  testenv::SetSz(CR, "CLSID\\" + system + "\\InprocServer32", "", dir_ + "system-like.ocx");
  testenv::SetSz(CR, "CLSID\\" + system + "\\TypeLib", "", "{00020401-0000-0000-C000-000000000046}");
  ASSERT_TRUE(testenv::KeyExists(LM, kClasses + "Interface\\{00020403-0000-0000-C000-000000000046}\\ProxyStubClsid32"));
  Window().ReloadGamesList();
  auto expectGone = [](const std::set<std::wstring>& before, const std::set<std::wstring>& expected) {
    std::set<std::wstring> gone;
    std::ranges::set_difference(before, RemovalTrees(), std::inserter(gone, gone.end()));
    EXPECT_EQ(gone, expected);
  };

  // The box names the selected entry's missing file (and not another one): its classes go too.
  ASSERT_TRUE(Select(L"Chess"));
  Window().SetHeadFileText(FromAnsi(chess + "x"));
  Boxes().Answer(IDYES);
  std::set<std::wstring> before = RemovalTrees();
  Window().SetHeadFileText(FromAnsi(chess));
  ASSERT_EQ(Boxes().SeenCount(), 1u);
  EXPECT_EQ(Boxes().Seen()[0].caption, L"OCX Not Found...");
  std::set<std::wstring> keys = {FromAnsi("HKLM\\" + kList + "\\Chess"),
                                 FromAnsi("HKLM\\" + kClasses + "TypeLib\\" + family[4])};
  for (int i : {0, 1}) keys.insert(FromAnsi("HKCR\\CLSID\\" + family[i]));
  for (int i : {2, 3}) keys.insert(FromAnsi("HKCR\\Interface\\" + family[i]));
  expectGone(before, keys);

  // While the question is open, the list reloads and another entry gets selected: the entry asked
  // about goes, and no key of the system's.
  Window().SetHeadFileText(L"");
  Boxes().Handle([&](const BoxInfo& box) {
    Window().OnRefreshTimer();
    SendMessageW(Window().GamesList(), LB_SETCURSEL, 0, 0);
    DialogAnswerer::Press(box.hwnd, IDYES);
    return true;
  });
  before = RemovalTrees();
  Click(systemEntry);
  EXPECT_EQ(testenv::ListItem(Window().GamesList(), -1), L"Darts");
  expectGone(before, {L"HKLM\\" + FromAnsi(kList) + L"\\" + systemEntry});
  EXPECT_TRUE(PumpUntil([&] { return testenv::ListCount(Window().GamesList()) == 1; }, 3000));
}

// The list is there only below the vendor key spelled exactly; 40,000 entries load whole, in the
// registry's order, and removing one takes only that one.
TEST_F(GamesTest, TheListLoadsWhole) {
  for (const char* key : {"UBIQUE\\VPgames32\\A", "Ubique\\Other\\A", "Ubique\\VPgames32", "Other\\VPgames32\\A"}) {
    testenv::DeleteTree(LM, kClasses + "Software\\Ubique");
    testenv::SetSz(LM, kClasses + "Software\\" + key, "", "x");
    SendMessageW(Window().GamesList(), LB_ADDSTRING, 0, LPARAM(L"stale"));
    Window().ReloadGamesList();
    EXPECT_EQ(testenv::ListCount(Window().GamesList()), 0) << key;
  }
  HKEY list = nullptr;
  ASSERT_EQ(RegCreateKeyExA(LM, kList.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &list, nullptr), 0);
  auto name = [](int i) { return "Game " + std::to_string(100000 + i).substr(1); };
  for (int i = 0; i < 40000; ++i) RegSetKeyValueA(list, name(i).c_str(), nullptr, REG_SZ, "{0}", 4);
  RegCloseKey(list);
  // Any legal name, the longest too; one longer than the platform allows (Wine takes one more
  // character) cannot be read whole: it is left out, and the names after it are still listed.
  const std::wstring longest = L"Z" + std::wstring(254, L'x'), cyrillic = L"\u0428\u0430\u0445\u043c\u0430\u0442\u044b";
  for (const std::wstring& odd : {longest, L"Z" + longest, cyrillic})
    ASSERT_TRUE(SetKey(LM, FromAnsi(kList), odd, REG_SZ, L""));
  Window().ReloadGamesList();
  ASSERT_EQ(testenv::ListCount(Window().GamesList()), 40002);
  for (int i : {0, 23456, 32767, 32768, 39999}) EXPECT_EQ(testenv::ListItem(Window().GamesList(), i), FromAnsi(name(i)));
  EXPECT_EQ(testenv::ListItem(Window().GamesList(), 40000), longest);
  EXPECT_EQ(testenv::ListItem(Window().GamesList(), 40001), cyrillic);
  games::RemoveGame(Window(), L"Game 23456", L"{0}");
  ASSERT_TRUE(PumpUntil([&] { return !Window().RefreshPending(); }, 3000)) << "no refresh after the removal";
  EXPECT_EQ(testenv::ListCount(Window().GamesList()), 40001);
  EXPECT_EQ(testenv::ListItem(Window().GamesList(), 23456), L"Game 23457");
  // A delete the registry refuses (an entry with a sub-key it may not list) is reported (elevated, as
  // here, with the reason alone), and the entry stays.
  testenv::SetSz(LM, kList + "\\Game 00001\\Inner", "", "");
  testenv::Refuse(LM, kList + "\\Game 00001", KEY_ENUMERATE_SUB_KEYS | KEY_SET_VALUE);
  Boxes().Answer(IDOK);
  games::RemoveGame(Window(), L"Game 00001", L"{0}");
  testenv::Refuse(LM, kList + "\\Game 00001", 0);
  EXPECT_TRUE(testenv::KeyExists(LM, kList + "\\Game 00001"));
  ASSERT_EQ(Boxes().SeenCount(), 1u);
  EXPECT_EQ(Boxes().Seen()[0].text, L"Removing \"Game 00001\" needs administrator rights.");
}

}  // namespace
