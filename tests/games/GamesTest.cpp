// The registry layer, the Games list's load and the removal of broken entries, on the real registry.
#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

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

// Every key and value of the machine's and the user's classes: key -> "", key NUL name -> type: bytes.
using Snapshot = std::map<std::wstring, std::string>;
void Snap(HKEY key, const std::wstring& path, Snapshot& out) {
  static std::wstring name(16384, L'\0');
  static std::string data(1 << 20, '\0');
  out[path];
  for (DWORD i = 0, n = 16384, size = 1 << 20, type = 0;
       !RegEnumValueW(key, i, name.data(), &n, nullptr, &type, LPBYTE(data.data()), &size); ++i, n = 16384, size = 1 << 20)
    out[path + L'\0' + name.substr(0, n)] = std::to_string(type) + ":" + data.substr(0, size);
  for (DWORD i = 0, n = 256; !RegEnumKeyExW(key, i, name.data(), &n, nullptr, nullptr, nullptr, nullptr); ++i, n = 256) {
    const std::wstring sub = name.substr(0, n);
    HKEY subKey = nullptr;
    RegOpenKeyExW(key, sub.c_str(), 0, KEY_READ, &subKey);
    Snap(subKey, path + L"\\" + sub, out);
    RegCloseKey(subKey);
  }
}
Snapshot Classes() {
  Snapshot all;
  for (HKEY root : {LM, HKEY_CURRENT_USER}) {
    HKEY key = nullptr;
    RegOpenKeyExW(root, L"Software\\Classes", 0, KEY_READ, &key);
    Snap(key, root == LM ? L"HKLM" : L"HKCU", all);
    RegCloseKey(key);
  }
  return all;
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

// An entry is offered for removal only when its head's file is proven absent (a missing folder too),
// never for a file on a drive that is not there now; No keeps it.
TEST_F(GamesTest, TheSelectionCheckOffersRemovalOnlyForAMissingFile) {
  const std::wstring head = FromAnsi(dir_ + "Chess Game Head.ocx"), hidden = FromAnsi(dir_ + "hidden.ocx");
  for (const std::wstring& file : {head, hidden}) testenv::WriteFileBytes(ToAnsi(file), "MZ");
  SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
  wchar_t shortPath[MAX_PATH] = {};
  GetShortPathNameW(head.c_str(), shortPath, MAX_PATH);
  wchar_t drive = L'Z';  // a drive letter with no root: the file on it cannot be checked now
  while (drive > L'D' && GetDriveTypeW((std::wstring(1, drive) + L":\\").c_str()) != DRIVE_NO_ROOT_DIR) --drive;
  const std::wstring absent = std::wstring(1, drive) + L":\\heads\\chess.ocx";
  const std::tuple<std::wstring, DWORD, std::wstring, REGSAM> cases[] = {  // the server, the box afterwards
      {shortPath, REG_SZ, head, 0}, {L"%SystemDrive%" + head.substr(2), REG_EXPAND_SZ, head, 0},
      {hidden, REG_SZ, hidden, 0}, {head, REG_SZ, head, kOtherView}, {FromAnsi(dir_ + "deleted.ocx"), REG_SZ, L"", 0},
      {L"%SystemDrive%\\nowhere.ocx", REG_EXPAND_SZ, L"", 0}, {FromAnsi(dir_).substr(0, dir_.size() - 1), REG_SZ, L"", 0},
      {L"", REG_SZ, L"", 0}, {FromAnsi(dir_ + "gone\\chess.ocx"), REG_SZ, L"", 0}, {absent, REG_SZ, absent, 0}};
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
    EXPECT_EQ(Window().PanelText().find(L" is not available now") != std::wstring::npos, server == absent);
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

// A removal saves what it deletes: imported with the registry editor, the saved files put back every
// key and value byte for byte (any type, names in any script) and change nothing else, also when the
// registry stopped the removal at a key in the middle and a second one finished it. The type
// library's files of another build and of another version stay.
TEST_F(GamesTest, TheSavedCopiesPutBackExactlyWhatWasRemoved) {
  using namespace std::string_literals;
  const std::string chess = testenv::CopyInto(testenv::HeadPath("chess.ocx"), dir_);
  Window().Registrar().Run(FromAnsi(chess), L"");
  ASSERT_TRUE(DeleteFileA(chess.c_str()));
  std::vector<std::wstring> f;  // class, second class, interfaces, type library
  for (int offset : {0, 1, -1, -2, -3}) f.push_back(*GameIds::FamilyMember(L"{1E5A294C-7B3D-4C11-9A2E-6F01C3D5B7A1}", offset));
  const std::wstring lib = L"Software\\CLASSES\\TypeLib\\" + f[4], itf = L"Software\\CLASSES\\Interface\\";
  auto wide = [](const std::wstring& text) { return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2); };
  const std::tuple<std::wstring, DWORD, std::string> values[] = {
      {L"", REG_SZ, wide(L"C:\\a \"b\"\0"s)}, {L"\u0418\u043c\u044f \\ \"x\" \u540d\u524d", REG_EXPAND_SZ, wide(L"%SystemRoot%\\x\0"s)},
      {L"multi", REG_MULTI_SZ, wide(L"a\0b\0\0"s)}, {L"dword", REG_DWORD, "\x01\x02\x03\xF4"},
      {L"qword", REG_QWORD, "\x01\0\0\0\0\0\0\x80"s}, {L"binary", REG_BINARY, std::string(100, '\xA5')},
      {L"empty", REG_BINARY, ""}, {L"none", REG_NONE, ""}, {L"none bytes", REG_NONE, "abc"},
      {L"crlf", REG_SZ, wide(L"a\r\nb\0"s)}, {L"own type", 0x12345, "x"}};
  const std::wstring settings = L"CLSID\\" + f[0] + L"\\\u041d\u0430\u0441\u0442\u0440\u043e\u0439\u043a\u0438 \u8a2d\u5b9a";
  for (const auto& [name, type, bytes] : values)
    ASSERT_EQ(RegSetKeyValueW(CR, settings.c_str(), name.c_str(), type, bytes.data(), DWORD(bytes.size())), 0);
  for (const wchar_t* other : {L"1.0\\0\\win64", L"2.0\\0\\win32"}) ASSERT_TRUE(SetKey(LM, lib, other, REG_SZ, L"C:\\o.ocx"));
  const Snapshot before = Classes();
  Window().ReloadGamesList();
  ASSERT_TRUE(Select(L"Chess"));
  testenv::Refuse(LM, ToAnsi(itf + f[3]), KEY_SET_VALUE);  // a key with a sub-key that may not be emptied
  Boxes().Answer(IDYES);
  Boxes().Answer(IDOK);
  Window().SetHeadFileText(FromAnsi(chess));
  ASSERT_EQ(Boxes().SeenCount(), 2u);
  EXPECT_FALSE(testenv::KeyExists(LM, ToAnsi(itf + f[2])));
  for (const std::wstring& kept : {itf + f[3], lib, FromAnsi(kList) + L"\\Chess"}) EXPECT_TRUE(testenv::KeyExists(LM, ToAnsi(kept)));
  BOOL wow64 = FALSE;  // the 32-bit program names the key as the 64-bit registry editor sees it
  IsWow64Process(GetCurrentProcess(), &wow64);
  const std::wstring shownItf = wow64 ? L"SOFTWARE\\Wow6432Node\\Classes\\Interface\\" : itf;
  EXPECT_NE(Window().PanelText().find(L" stopped at HKEY_LOCAL_MACHINE\\" + shownItf + f[3] + L": "), std::wstring::npos)
      << ToAnsi(Window().PanelText());
  testenv::Refuse(LM, ToAnsi(itf + f[3]), 0);
  Window().SetHeadFileText(L"");
  Boxes().Answer(IDYES);
  Window().SetHeadFileText(FromAnsi(chess));
  for (const std::wstring& gone : {FromAnsi(kList) + L"\\Chess", L"Software\\Classes\\" + settings, lib + L"\\1.0\\0\\win32"})
    EXPECT_FALSE(testenv::KeyExists(LM, ToAnsi(gone))) << ToAnsi(gone);
  for (const wchar_t* kept : {L"\\1.0\\0\\win64", L"\\2.0"}) EXPECT_TRUE(testenv::KeyExists(LM, ToAnsi(lib + kept)));
  // The copies are imported by the registry editor a user opens them with: the 64-bit one on 64-bit
  // Windows (the Windows folder's; System32 and SysWOW64 hold one of each bitness).
  std::vector<std::string> copies;  // the panel names them, each on a line of its own
  std::wstringstream panel(Window().PanelText());
  for (std::wstring line; std::getline(panel, line, L'\n');)
    if (line.ends_with(L".reg\r")) copies.push_back(ToAnsi(line.substr(0, line.size() - 1)));
  ASSERT_EQ(copies.size(), 2u);
  EXPECT_TRUE(testenv::ReadFileBytes(copies[0]).starts_with("\xFF\xFEW\0i\0n\0"s));
  for (const std::string& copy : copies) EXPECT_EQ(testenv::Process("C:\\windows\\regedit.exe /s \"" + copy + "\"").WaitExit(30000), 0u);
  const Snapshot after = Classes();
  const auto [was, is] = std::ranges::mismatch(before, after);
  EXPECT_TRUE(was == before.end() && is == after.end()) << ToAnsi(was != before.end() ? was->first : is->first);
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
  // No copy, no removal: where the copies' folder cannot be made, the entry stays and the panel says why.
  char local[MAX_PATH] = {};
  GetEnvironmentVariableA("LOCALAPPDATA", local, MAX_PATH);
  testenv::WriteFileBytes(dir_ + "file", "");
  SetEnvironmentVariableA("LOCALAPPDATA", (dir_ + "file").c_str());
  games::RemoveGame(Window(), L"Game 00002", L"{0}");
  SetEnvironmentVariableA("LOCALAPPDATA", local);
  EXPECT_TRUE(testenv::KeyExists(LM, kList + "\\Game 00002"));
  EXPECT_NE(Window().PanelText().find(L"Nothing was removed"), std::wstring::npos);
  EXPECT_NE(Window().PanelText().find(FromAnsi(dir_ + "file\\Vesk Installer: ")), std::wstring::npos);
  // A key the registry refuses to read, so that no copy can be made (an entry with a sub-key it may
  // not list), is reported (elevated, as here, with the reason alone), and the entry stays.
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
