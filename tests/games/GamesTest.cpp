// The registry layer, the Games list's load and the removal of broken entries, on the real registry.
#include <algorithm>
#include <iterator>
#include <map>
#include <atomic>
#include <set>
#include <sstream>

#include "TestEnv.h"
#include "platform/AnsiText.h"
#include "window/WindowLayout.h"
#include "window/MainWindow.h"
#include "games/GameIds.h"
#include "games/GamesList.h"
#include "window/GamesWindow.h"
#include "games/BrokenEntries.h"
#include "games/Removal.h"
#include "platform/RegistryKey.h"

namespace {

const HKEY LM = HKEY_LOCAL_MACHINE, CR = HKEY_CLASSES_ROOT;
const std::string kList = ToAnsi(games::kListKey), kClasses = "Software\\CLASSES\\";
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
void Snap(HKEY key, const std::wstring& path, Snapshot& out, REGSAM view = 0) {
  static std::wstring name(16384, L'\0');
  static std::string data(1 << 20, '\0');
  out[path];
  for (DWORD i = 0, n = 16384, size = 1 << 20, type = 0;
       !RegEnumValueW(key, i, name.data(), &n, nullptr, &type, LPBYTE(data.data()), &size); ++i, n = 16384, size = 1 << 20)
    out[path + L'\0' + name.substr(0, n)] = std::to_string(type) + ":" + data.substr(0, size);
  for (DWORD i = 0, n = 256; !RegEnumKeyExW(key, i, name.data(), &n, nullptr, nullptr, nullptr, nullptr); ++i, n = 256) {
    const std::wstring sub = name.substr(0, n);
    HKEY subKey = nullptr;
    RegOpenKeyExW(key, sub.c_str(), 0, KEY_READ | view, &subKey);
    Snap(subKey, path + L"\\" + sub, out, view);
    RegCloseKey(subKey);
  }
}
Snapshot Classes() {
  Snapshot all;
  for (REGSAM view : {REGSAM(0), kOtherView})
    for (HKEY root : {LM, HKEY_CURRENT_USER}) {
      HKEY key = nullptr;
      RegOpenKeyExW(root, L"Software\\Classes", 0, KEY_READ | view, &key);
      Snap(key, std::wstring(view ? L"other " : L"") + (root == LM ? L"HKLM" : L"HKCU"), all, view);
      RegCloseKey(key);
    }
  return all;
}

// The snapshot without the keys below any of prefixes (and their values).
Snapshot Without(Snapshot snapshot, const std::vector<std::wstring>& prefixes) {
  std::erase_if(snapshot, [&](const auto& item) {
    const auto starts = [&](const std::wstring& p) {  // key names in any letter case
      return item.first.size() >= p.size() && _wcsnicmp(item.first.c_str(), p.c_str(), p.size()) == 0;
    };
    return std::ranges::any_of(prefixes, [&](const std::wstring& p) {
      return !p.empty() && (_wcsicmp(item.first.c_str(), p.c_str()) == 0 || starts(p + L"\\") || starts(p + L'\0'));
    });
  });
  return snapshot;
}

// The files the panel names, each on a line of its own.
std::vector<std::string> Copies(const std::wstring& text) {
  std::vector<std::string> copies;
  std::wstringstream panel(text);
  for (std::wstring line; std::getline(panel, line, L'\n');)
    if (line.ends_with(L".reg\r") || line.ends_with(L".reg")) copies.push_back(ToAnsi(line.substr(0, line.find(L'\r'))));
  return copies;
}

// Imports the file as a user's double-click does: the 64-bit registry editor of the Windows folder,
// started by a 64-bit process (the 64-bit shell; a 32-bit program under Wine would get the 32-bit one).
DWORD Import(const std::string& file) {
  const std::string editor = "C:\\windows\\regedit.exe /s \"" + file + "\"";
  return testenv::Process(sizeof(void*) == 8 ? editor : "C:\\windows\\sysnative\\cmd.exe /c " + editor).WaitExit(30000).value_or(1);
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
  // The removal of an entry with no class id, its outcome shown as the window shows it.
  ExitCode Remove(const std::wstring& name) {
    const Outcome outcome = games::RemoveEntry({name, L"{0}", L""});
    window::ShowRemoval(Window(), outcome, L"Removing \"" + name + L"\" needs administrator rights.");
    return outcome.exitCode;
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
    EXPECT_EQ(Window().PanelText().ends_with(games::OtherBuildNote() + L"\r\n"), view != 0);
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
    family.push_back(ToAnsi(*games::FamilyMember(L"{1E5A294C-7B3D-4C11-9A2E-6F01C3D5B7A1}", offset)));
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
  // Its class key names the gone file and goes; the interfaces and type library of the system stay.
  expectGone(before, {L"HKLM\\" + FromAnsi(kList) + L"\\" + systemEntry, FromAnsi("HKCR\\CLSID\\" + system)});
  EXPECT_TRUE(PumpUntil([&] { return testenv::ListCount(Window().GamesList()) == 1; }, 3000));
}

// A removal saves what it deletes: imported with the registry editor, the saved file puts back every
// key and value byte for byte (any type, names in any script) and changes nothing else. The class
// goes from the user's classes (its server named through the folder's short form) and the machine's,
// the interfaces from both views, the ProgIDs that name the class back from both classes; a ProgID
// of another class, an interface of another type library and the type library's files of another
// build and version stay. Where the registry would refuse a delete, nothing is saved or removed.
TEST_F(GamesTest, TheSavedCopiesPutBackExactlyWhatWasRemoved) {
  using namespace std::string_literals;
  const std::string folder = dir_ + "Vesk Heads Folder\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string chess = testenv::CopyInto(testenv::HeadPath("chess.ocx"), folder, "Chess Head.ocx");
  Window().Registrar().Run(FromAnsi(chess), L"");
  wchar_t shortFolder[MAX_PATH] = {};
  GetShortPathNameW(FromAnsi(folder).c_str(), shortFolder, MAX_PATH);
  ASSERT_NE(std::wstring(shortFolder), FromAnsi(folder));
  ASSERT_TRUE(DeleteFileA(chess.c_str()));
  std::vector<std::wstring> f;  // class, second class, interfaces, type library
  for (int offset : {0, 1, -1, -2, -3}) f.push_back(*games::FamilyMember(L"{1E5A294C-7B3D-4C11-9A2E-6F01C3D5B7A1}", offset));
  const std::wstring lib = L"Software\\CLASSES\\TypeLib\\" + f[4], itf = L"Software\\CLASSES\\Interface\\";
  const std::wstring user = L"Software\\Classes\\";
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
  // The user's class, as a per-user registration writes it; the interfaces that RegisterTypeLib
  // writes into the other view too (one of another type library); the ProgIDs.
  const std::wstring named = std::wstring(shortFolder) + L"CHESS HEAD.OCX";
  ASSERT_TRUE(SetKey(HKEY_CURRENT_USER, user + L"CLSID\\" + f[0], L"InprocServer32", REG_SZ, named));
  ASSERT_TRUE(SetKey(LM, itf + f[2], L"TypeLib", REG_SZ, f[4], kOtherView));
  ASSERT_TRUE(SetKey(LM, itf + f[3], L"TypeLib", REG_SZ, f[0], kOtherView));
  ASSERT_TRUE(SetKey(CR, L"CLSID\\" + f[0], L"ProgID", REG_SZ, L"Vesk.Chess.1"));
  ASSERT_TRUE(SetKey(CR, L"CLSID\\" + f[0], L"VersionIndependentProgID", REG_SZ, L"Vesk.Chess"));
  ASSERT_TRUE(SetKey(CR, L"CLSID\\" + f[1], L"ProgID", REG_SZ, L"Vesk.Other"));
  for (HKEY hive : {LM, HKEY_CURRENT_USER}) ASSERT_TRUE(SetKey(hive, user + L"Vesk.Chess.1", L"CLSID", REG_SZ, f[0]));
  ASSERT_TRUE(SetKey(LM, user + L"Vesk.Chess", L"CurVer", REG_SZ, L"Vesk.Chess.1"));
  ASSERT_TRUE(SetKey(LM, user + L"Vesk.Other", L"CLSID", REG_SZ, f[2]));
  const Snapshot before = Classes();
  Window().ReloadGamesList();
  ASSERT_TRUE(Select(L"Chess"));
  testenv::Refuse(LM, ToAnsi(itf + f[3]), KEY_SET_VALUE);  // a key with a sub-key that may not be emptied
  Boxes().Answer(IDYES);
  Boxes().Answer(IDOK);
  Window().SetHeadFileText(FromAnsi(chess));
  ASSERT_EQ(Boxes().SeenCount(), 2u);
  EXPECT_TRUE(Copies(Window().PanelText()).empty()) << ToAnsi(Window().PanelText());
  EXPECT_NE(Window().PanelText().find(L"Nothing was removed."), std::wstring::npos);
  testenv::Refuse(LM, ToAnsi(itf + f[3]), 0);
  EXPECT_TRUE(Classes() == before) << "something was removed";
  Window().SetHeadFileText(L"");
  Boxes().Answer(IDYES);
  Window().SetHeadFileText(FromAnsi(chess));
  const Snapshot after = Classes();
  // The keys gone, as the snapshot of each view names them (the shared trees in both, the 32-bit
  // view's CLSID and Interface also under Wow6432Node in the 64-bit one).
  const std::wstring lm = L"HKLM\\", cu = L"HKCU\\";
  const bool wide64 = sizeof(void*) == 8;
  std::vector<std::wstring> gone;
  auto add = [&](const std::wstring& key, bool ownView) {
    // Wine redirects the machine's classes only.
    const bool redirected = key.starts_with(L"HKLM") && (key.find(L"\\CLSID\\") == 4 || key.find(L"\\Interface\\") == 4);
    const std::wstring wow = key.substr(0, 5) + L"Wow6432Node\\" + key.substr(5);
    gone.push_back(ownView ? key : L"other " + key);
    if (redirected && ownView != wide64)  // the 32-bit view's key, which Wine shows below Wow6432Node in both views
      for (const std::wstring& alias : {wow, L"other " + wow}) gone.push_back(alias);
    if (!redirected)  // one key, which Wine also shows below Wow6432Node
      for (const std::wstring& alias : {L"other " + key, wow, L"other " + wow}) gone.push_back(alias);
  };
  for (const std::wstring& key : {lm + L"Software\\Ubique\\VPgames32\\Chess", cu + L"CLSID\\" + f[0], lm + L"CLSID\\" + f[0],
                                  lm + L"CLSID\\" + f[1], lm + L"Interface\\" + f[2], lm + L"Interface\\" + f[3],
                                  lm + L"TypeLib\\" + f[4] + L"\\1.0\\0\\win32", lm + L"Vesk.Chess.1", cu + L"Vesk.Chess.1", lm + L"Vesk.Chess"})
    add(key, true);
  add(lm + L"Interface\\" + f[2], false);
  const Snapshot expected = Without(before, gone);
  const auto [was, is] = std::ranges::mismatch(expected, after);
  EXPECT_TRUE(was == expected.end() && is == after.end()) << ToAnsi(was != expected.end() ? was->first : is->first);
  const std::vector<std::string> copies = Copies(Window().PanelText());
  ASSERT_EQ(copies.size(), 1u) << ToAnsi(Window().PanelText());
  EXPECT_TRUE(testenv::ReadFileBytes(copies[0]).starts_with("\xFF\xFEW\0i\0n\0"s));
  EXPECT_EQ(Import(copies[0]), 0u);
  const Snapshot restored = Classes();
  const auto [was2, is2] = std::ranges::mismatch(before, restored);
  EXPECT_TRUE(was2 == before.end() && is2 == restored.end()) << ToAnsi(was2 != before.end() ? was2->first : is2->first);
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
  Remove(L"Game 23456");
  ASSERT_TRUE(PumpUntil([&] { return !Window().RefreshPending(); }, 3000)) << "no refresh after the removal";
  EXPECT_EQ(testenv::ListCount(Window().GamesList()), 40001);
  EXPECT_EQ(testenv::ListItem(Window().GamesList(), 23456), L"Game 23457");
  // No copy, no removal: where the copies' folder cannot be made, the entry stays and the panel says why.
  char local[MAX_PATH] = {};
  GetEnvironmentVariableA("LOCALAPPDATA", local, MAX_PATH);
  testenv::WriteFileBytes(dir_ + "file", "");
  SetEnvironmentVariableA("LOCALAPPDATA", (dir_ + "file").c_str());
  EXPECT_EQ(Remove(L"Game 00002"), ExitCode::kOtherFailure);
  SetEnvironmentVariableA("LOCALAPPDATA", local);
  EXPECT_TRUE(testenv::KeyExists(LM, kList + "\\Game 00002"));
  EXPECT_NE(Window().PanelText().find(L"Nothing was removed"), std::wstring::npos);
  EXPECT_NE(Window().PanelText().find(FromAnsi(dir_ + "file\\Vesk Installer: ")), std::wstring::npos);
  // A key the registry refuses to read, so that no copy can be made (an entry with a sub-key it may
  // not list), is reported (elevated, as here, with the reason alone), and the entry stays.
  testenv::SetSz(LM, kList + "\\Game 00001\\Inner", "", "");
  testenv::Refuse(LM, kList + "\\Game 00001", KEY_ENUMERATE_SUB_KEYS | KEY_SET_VALUE);
  Boxes().Answer(IDOK);
  EXPECT_EQ(Remove(L"Game 00001"), ExitCode::kRefusedRights);
  testenv::Refuse(LM, kList + "\\Game 00001", 0);
  EXPECT_TRUE(testenv::KeyExists(LM, kList + "\\Game 00001"));
  ASSERT_EQ(Boxes().SeenCount(), 1u);
  EXPECT_EQ(Boxes().Seen()[0].text, L"Removing \"Game 00001\" needs administrator rights.");
}

}  // namespace

namespace {

// Every kind of entry at once: the check finds exactly the broken ones in the list's order with
// why, the listing names them, and the removal takes every removable one (an entry whose keys the
// registry refuses stays whole, one on a drive that is not there is kept) with one copy that puts
// them back byte for byte.
TEST_F(GamesTest, BrokenEntriesAreFoundListedAndRemovedTogether) {
  const std::wstring present = FromAnsi(dir_ + "present.ocx"), gone = FromAnsi(dir_ + "gone.ocx");
  testenv::WriteFileBytes(ToAnsi(present), "MZ");
  wchar_t drive = L'Z';
  while (drive > L'D' && GetDriveTypeW((std::wstring(1, drive) + L":\\").c_str()) != DRIVE_NO_ROOT_DIR) --drive;
  auto id = [](int n) { return L"{1234564C-5A6B-4C7D-8E9F-0A1B2C3D4E" + std::wstring(1, L"0123456789"[n]) + L"0}"; };
  const std::tuple<std::wstring, std::wstring, std::wstring, REGSAM, const wchar_t*> entries[] = {  // name, id, server, view, reason
      {L"A works", id(1), present, 0, nullptr}, {L"B other build", id(2), present, kOtherView, nullptr},
      {L"C gone", id(3), gone, 0, L"its head file is gone"}, {L"D no class", id(4), L"", 0, L"its class is not registered"},
      {L"E malformed", L"{0}", L"", 0, L"its id is not a class id"},
      {L"F unplugged", id(5), std::wstring(1, drive) + L":\\x.ocx", 0, L" is not available now"}, {L"G refused", id(6), gone, 0, L"gone"}};
  for (const auto& [name, classId, server, view, reason] : entries) {
    AddEntry(name, ToAnsi(classId));
    if (!server.empty()) ASSERT_TRUE(SetKey(CR, L"CLSID\\" + classId, L"InprocServer32", REG_SZ, server, view));
  }
  // The gone head's ProgID names it back; the version-independent one it names is another class's.
  const std::wstring classes = L"Software\\Classes\\";
  ASSERT_TRUE(SetKey(CR, L"CLSID\\" + id(3), L"ProgID", REG_SZ, L"Vesk.Gone.1"));
  ASSERT_TRUE(SetKey(CR, L"CLSID\\" + id(3), L"VersionIndependentProgID", REG_SZ, L"Vesk.Shared"));
  ASSERT_TRUE(SetKey(LM, classes + L"Vesk.Gone.1", L"CLSID", REG_SZ, id(3)));
  ASSERT_TRUE(SetKey(LM, classes + L"Vesk.Shared", L"CLSID", REG_SZ, id(1)));
  std::atomic<bool> cancel{false};
  EXPECT_LE(games::FindBrokenEntries([&](size_t, size_t) { cancel = true; }, &cancel).size(), 1u) << "a cancelled check";
  const std::vector<games::EntryState> broken = games::FindBrokenEntries();
  ASSERT_EQ(broken.size(), 5u);
  for (size_t i = 0; i < broken.size(); ++i) {
    EXPECT_EQ(broken[i].name, std::get<0>(entries[i + 2]));
    EXPECT_NE(games::ReasonText(broken[i]).find(std::get<4>(entries[i + 2])), std::wstring::npos) << ToAnsi(broken[i].name);
  }
  const Outcome listed = games::ListBroken();
  EXPECT_EQ(listed.lines.size(), 5u);
  EXPECT_EQ(listed.lines[0], L"C gone: its head file is gone");
  EXPECT_TRUE(listed.Succeeded());

  testenv::Refuse(CR, "CLSID\\" + ToAnsi(id(6)), KEY_SET_VALUE);
  const Snapshot before = Classes();
  const Outcome removed = games::RemoveAllBroken();
  testenv::Refuse(CR, "CLSID\\" + ToAnsi(id(6)), 0);
  EXPECT_EQ(removed.exitCode, ExitCode::kRefusedRights);
  const std::wstring list = L"HKLM\\" + std::wstring(games::kListInClasses) + L"\\";
  std::vector<std::wstring> keys = {list + L"C gone", list + L"D no class", list + L"E malformed", L"HKLM\\CLSID\\" + id(3),
                                    L"HKLM\\Vesk.Gone.1", L"other HKLM\\Vesk.Gone.1"};
  for (const wchar_t* entry : {L"C gone", L"D no class", L"E malformed"}) keys.push_back(L"other " + list + entry);
  if (sizeof(void*) == 4)  // the 32-bit view's class, which Wine shows below Wow6432Node in both views
    for (const wchar_t* view : {L"", L"other "}) keys.push_back(view + (L"HKLM\\Wow6432Node\\CLSID\\" + id(3)));
  EXPECT_TRUE(Classes() == Without(before, keys)) << ToAnsi(testenv::Lines(removed.lines));
  const std::vector<std::string> copies = Copies(testenv::Lines(removed.lines));
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(removed.lines.back(), FromAnsi(copies[0]));
  EXPECT_NE(copies[0].find("\\Broken entries 20"), std::string::npos);
  for (const wchar_t* line : {L"\"C gone\" is removed.", L"\"E malformed\" is removed.", L"\"F unplugged\" is kept: drive "})
    EXPECT_NE(testenv::Lines(removed.lines).find(line), std::wstring::npos) << ToAnsi(line);
  EXPECT_EQ(Import(copies[0]), 0u);
  EXPECT_TRUE(Classes() == before);
}

// A long list is read by several readers side by side: every broken entry is found once, in the
// list's order.
TEST_F(GamesTest, ALongListIsCheckedWholeAndInOrder) {
  const std::wstring present = FromAnsi(dir_ + "present.ocx"), working = L"{1234564C-5A6B-4C7D-8E9F-0A1B2C3D4E50}";
  testenv::WriteFileBytes(ToAnsi(present), "MZ");
  ASSERT_TRUE(SetKey(CR, L"CLSID\\" + working, L"InprocServer32", REG_SZ, present));
  std::vector<std::wstring> expected, found;
  for (int i = 0; i < 1000; ++i) {
    const std::wstring name = L"Entry " + std::to_wstring(10000 + i);
    AddEntry(name, i % 7 == 3 ? "{0}" : ToAnsi(working));
    if (i % 7 == 3) expected.push_back(name);
  }
  for (const games::EntryState& entry : games::FindBrokenEntries()) found.push_back(entry.name);
  EXPECT_EQ(found, expected);
}

}  // namespace
