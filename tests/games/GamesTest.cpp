// The registry layer, the Games list's load and the removal of one entry, on the real registry.
#include "GamesFixture.h"

namespace {

using namespace gamestest;

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
