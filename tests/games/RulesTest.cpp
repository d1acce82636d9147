// Class id families, and the keys a removal plans on a registry given as a table.
#include <algorithm>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "games/GameIds.h"
#include "games/RegFile.h"
#include "games/RemovalRule.h"
#include "games/ServerFile.h"

namespace {

using namespace GameIds;
using namespace RemovalRule;

TEST(GameIds, FamilyMembersChangeTheLastTwoDigitsOfTheFirstGroupInUpperCaseWithoutCarry) {
  const std::tuple<std::wstring, int, std::optional<std::wstring>> cases[] = {
      {L"{abcdef12-abcd-abcd-abcd-abcdefabcdef}", kTypeLibId, L"{abcdef0F-abcd-abcd-abcd-abcdefabcdef}"},
      {L"{123456FF-0000-0000-0000-000000000000}", kSecondClassId, std::nullopt},
      {L"{12345602-0000-0000-0000-000000000000}", kSecondInterfaceId, L"{12345600-0000-0000-0000-000000000000}"},
      {L"{12345602-0000-0000-0000-000000000000}", kTypeLibId, std::nullopt},
      {L"{123456zz-ABCD-EF01-2345-6789ABCDEF01}", kFirstInterfaceId, std::nullopt}};  // no class id
  for (const auto& [classId, member, expected] : cases) EXPECT_EQ(FamilyMember(classId, member), expected) << member;
}

constexpr Root CR = Root::ClassesRoot, LM = Root::LocalMachine;
using Key = std::pair<Root, std::wstring>;
using Keys = std::map<Key, std::optional<std::wstring>>;  // keys and their default values

class TableFacts : public RegistryFacts {
 public:
  explicit TableFacts(Keys keys) : keys_(std::move(keys)) {}
  std::optional<std::wstring> Value(Root root, const std::wstring& path, const std::wstring& name) const override {
    const auto it = keys_.find({root, path});
    return it == keys_.end() || !name.empty() ? std::nullopt : it->second;
  }
  std::vector<std::wstring> SubKeys(Root root, const std::wstring& path) const override {
    std::set<std::wstring> names;
    for (const auto& [key, value] : keys_)
      if (key.first == root && key.second.starts_with(path + L"\\"))
        names.insert(key.second.substr(path.size() + 1, key.second.find(L'\\', path.size() + 1) - path.size() - 1));
    return {names.begin(), names.end()};
  }

 private:
  Keys keys_;
};

struct Family {
  std::wstring c, c2, i1, i2, lib;  // class, second class, interfaces, type library
};
Family Ids(const std::wstring& prefix, const std::wstring& tail, std::vector<std::wstring> digits) {
  for (std::wstring& id : digits) id = id.empty() ? id : prefix + id + tail;
  return {digits[0], digits[1], digits[2], digits[3], digits[4]};
}

TEST(RemovalRule, OnlyKeysThatPointBackToTheHeadGo) {
  const Family f = Ids(L"{123456", L"-5A6B-4C7D-8E9F-0A1B2C3D4E5F}", {L"4C", L"4D", L"4B", L"4A", L"49"});
  const Family kFF = Ids(L"{000000", L"-0000-0000-0000-0000000000AA}", {L"FF", L"", L"FE", L"FD", L"FC"});
  const std::wstring server = L"C:\\Heads\\chess.ocx", other = L"C:\\Heads\\other.ocx";
  const std::wstring lower = L"{12345649-5a6b-4c7d-8e9f-0a1b2c3d4e5f}";
  const std::wstring itf = L"Software\\CLASSES\\Interface\\", lib = L"Software\\CLASSES\\TypeLib\\";
  auto srv = [](const std::wstring& id) { return Key{CR, L"CLSID\\" + id + L"\\InprocServer32"}; };
  auto clsLib = [](const std::wstring& id) { return Key{CR, L"CLSID\\" + id + L"\\TypeLib"}; };
  auto lmLib = [&](const std::wstring& id) { return Key{LM, itf + id + L"\\TypeLib"}; };
  auto crLib = [](const std::wstring& id) { return Key{CR, L"Interface\\" + id + L"\\TypeLib"}; };
  auto file = [&](const Family& of, const wchar_t* at = L"\\1.0\\0\\win32") { return Key{LM, lib + of.lib + at}; };
  auto libKey = [&](const wchar_t* at) { return Key{LM, lib + f.lib + at}; };
  // A head registered the usual way: every member points back to the class's server or type library.
  auto usual = [&](const Family& of) {
    Keys keys{{srv(of.c), server}, {clsLib(of.c), of.lib}, {file(of), server}};
    if (!of.c2.empty()) keys[srv(of.c2)] = server;
    for (const std::wstring& i : {of.i1, of.i2}) keys[lmLib(i)] = keys[crLib(i)] = of.lib;
    return keys;
  };
  const std::vector<int> whole = {0, 1, 2, 3, 4, 5, 6, 7}, notShown = {0, 3, 4, 5, 6, 7};
  const auto none = std::nullopt;
  struct Case {
    const char* what;
    const Family& f;
    Keys change;
    std::wstring box;
    // 0 the entry, 1-2 the classes, 3-4 the machine's interfaces, 5 the type library, 6-7 the root's interfaces
    std::vector<int> keys;
    std::vector<std::wstring> libKeys = {L""};  // the type library's keys to go, below its key
    std::wstring classId = L"", entry = L"Chess";
  } cases[] = {
      {"box showing the server", f, {}, server, whole},
      {"box showing another file", f, {}, other, notShown},
      {"box showing the server in other letter case", f, {}, L"c:\\heads\\chess.ocx", notShown},
      {"box and every server path empty", f, {{srv(f.c), L""}, {srv(f.c2), L""}, {file(f), L""}}, L"", {0, 3, 4, 6, 7}},
      {"class names another type library", f, {{clsLib(f.c), f.i2}}, server, {0, 1}},
      {"class names the type library in other letter case", f, {{clsLib(f.c), lower}}, server, {0, 1}},
      {"second class of another file", f, {{srv(f.c2), other}}, server, {0, 1, 3, 4, 5, 6, 7}},
      {"back-pointers in other letter case, 64-bit file of another version", f,
       {{srv(f.c2), L"c:\\HEADS\\Chess.OCX"}, {lmLib(f.i1), lower}, {crLib(f.i2), lower}, {file(f), none},
        {file(f, L"\\2.1\\409\\win64"), L"C:\\heads\\CHESS.ocx"}},
       server, whole, {L"\\2.1"}},
      // The type library is shared by the head's builds and versions: only what names the server goes.
      {"64-bit file of another build", f, {{file(f, L"\\1.0\\0\\win64"), other}}, server, whole, {L"\\1.0\\0\\win32"}},
      {"both files are the server's", f, {{file(f, L"\\1.0\\0\\win64"), server}}, server, whole},
      {"another locale's file", f, {{file(f, L"\\1.0\\409\\win32"), other}}, server, whole, {L"\\1.0\\0"}},
      {"another version; FLAGS, HELPDIR left", f, {{file(f, L"\\2.0\\0\\win32"), other}, {libKey(L"\\1.0\\FLAGS"), L"0"},
       {libKey(L"\\1.0\\HELPDIR"), L"C:\\"}}, server, whole, {L"\\1.0"}},
      {"a version with no file", f, {{libKey(L"\\3.0\\FLAGS"), L"0"}}, server, whole, {L"\\1.0"}},
      {"members of other heads", f, {{lmLib(f.i1), f.i2}, {lmLib(f.i2), none}, {crLib(f.i1), L""}, {file(f), other}},
       server, {0, 1, 2, 7}},
      {"interfaces that name no type library", f, {{lmLib(f.i1), none}, {lmLib(f.i2), none}, {crLib(f.i1), none},
       {crLib(f.i2), none}}, server, {0, 1, 2, 5}},
      {"no second class id above FF", kFF, {}, server, {0, 1, 3, 4, 5, 6, 7}},
      {"no class id", f, {}, server, {0}, {}, L"{1234564C}"},
      {"no entry name", f, {}, server, {1, 2, 3, 4, 5, 6, 7}, {L""}, L"", L""},
  };
  for (const Case& c : cases) {
    Keys keys = usual(c.f);
    for (const auto& [key, value] : c.change) keys[key] = value;
    const KeyToDelete all[] = {{LM, L"Software\\CLASSES\\Software\\Ubique\\VPgames32\\Chess"}, {CR, L"CLSID\\" + c.f.c},
                               {CR, L"CLSID\\" + c.f.c2}, {LM, itf + c.f.i1}, {LM, itf + c.f.i2}, {LM, lib + c.f.lib},
                               {CR, L"Interface\\" + c.f.i1}, {CR, L"Interface\\" + c.f.i2}};
    std::vector<KeyToDelete> expected;  // the head's keys, the ones the plan is made from last, the entry last of all
    for (int i : {3, 4, 5, 6, 7, 2, 1, 0}) {
      if (!std::ranges::count(c.keys, i)) continue;
      for (const std::wstring& at : i == 5 ? c.libKeys : std::vector<std::wstring>{L""})
        expected.push_back({all[i].root, all[i].path + at});
    }
    const auto plan = PlanRemoval(TableFacts(keys), {c.entry, c.classId.empty() ? c.f.c : c.classId, c.box});
    EXPECT_TRUE(plan == expected) << c.what << ": " << plan.size() << " keys planned";
  }
}

// The copy a removal saves: every value as the registry editor reads it back to the same bytes.
TEST(RegFile, ValuesAreWrittenSoThatTheEditorGivesBackTheirBytes) {
  using namespace std::string_literals;
  auto utf16 = [](const std::wstring& text) {
    std::vector<std::uint8_t> bytes;
    for (wchar_t c : text) bytes.insert(bytes.end(), {std::uint8_t(c & 0xFF), std::uint8_t(c >> 8)});
    return bytes;
  };
  std::vector<std::uint8_t> bytes40(40);
  for (std::uint8_t i = 0; i < 40; ++i) bytes40[i] = i;
  const std::wstring key = L"[HKEY_LOCAL_MACHINE\\Software\\\u0428\u0430\u0445]";
  const std::vector<RegFile::Key> keys = {
      {key.substr(1, key.size() - 2),
       {{L"", 1, utf16(L"C:\\a \"b\"\0"s)}, {L"n\\\"\u4e2d", 4, {1, 2, 3, 0xF4}}, {L"odd", 1, {0x41}},
        {L"nul", 1, utf16(L"a\0b\0"s)}, {L"crlf", 1, utf16(L"\r\n\0"s)}, {L"empty", 1, {}}, {L"short", 4, {1, 2}},
        {L"none", 0, {}}, {L"q", 11, {1, 0, 0, 0, 0, 0, 0, 0x80}}, {L"bin", 3, bytes40}}},
      {L"HKEY_LOCAL_MACHINE\\S\\x", {}}};
  EXPECT_EQ(RegFile::Text(keys), L"Windows Registry Editor Version 5.00\r\n\r\n" + key + L"\r\n"
            L"@=\"C:\\\\a \\\"b\\\"\"\r\n"
            L"\"n\\\\\\\"\u4e2d\"=dword:f4030201\r\n"
            L"\"odd\"=hex(1):41\r\n"
            L"\"nul\"=hex(1):61,00,00,00,62,00,00,00\r\n"
            L"\"crlf\"=hex(1):0d,00,0a,00,00,00\r\n"
            L"\"empty\"=hex(1):\r\n"
            L"\"short\"=hex(4):01,02\r\n"
            L"\"none\"=hex(0):\r\n"
            L"\"q\"=hex(b):01,00,00,00,00,00,00,80\r\n"
            L"\"bin\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
            L"  17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27\r\n"
            L"\r\n[HKEY_LOCAL_MACHINE\\S\\x]\r\n\r\n");
  EXPECT_EQ(RegFile::Text({{L"HKEY_LOCAL_MACHINE\\S", {{L"a\nb", 0, {}}}}}), std::nullopt);
}

// A 32-bit program on 64-bit Windows saves its class and interface keys as the 64-bit editor sees them.
TEST(RegFile, KeysAreNamedAsTheSixtyFourBitEditorSeesThem) {
  using RegFile::Hive;
  const std::wstring clsid = L"Software\\CLASSES\\CLSID\\{1}", lm = L"HKEY_LOCAL_MACHINE\\";
  const std::tuple<Hive, std::wstring, bool, std::wstring> cases[] = {
      {Hive::LocalMachine, clsid, true, lm + L"SOFTWARE\\Wow6432Node\\Classes\\CLSID\\{1}"},
      {Hive::LocalMachine, clsid, false, lm + clsid},
      {Hive::CurrentUser, L"Software\\Classes\\interface\\{1}", true,
       L"HKEY_CURRENT_USER\\Software\\Classes\\Wow6432Node\\interface\\{1}"},
      {Hive::LocalMachine, L"Software\\CLASSES\\TypeLib\\{1}", true, lm + L"Software\\CLASSES\\TypeLib\\{1}"},
      {Hive::LocalMachine, L"Software\\CLASSES\\CLSIDs", true, lm + L"Software\\CLASSES\\CLSIDs"}};
  for (const auto& [hive, path, wow64, name] : cases) EXPECT_EQ(RegFile::KeyName(hive, path, wow64), name);
  const RegFile::Stamp when{2026, 1, 2, 3, 4, 5};
  EXPECT_EQ(RegFile::FileName(L"A: \"b\" <c>/d?*|\\\t", when, 1), L"A_ _b_ _c__d_____ 2026-01-02 030405.reg");
  EXPECT_EQ(RegFile::FileName(L"", when, 2), L"Games list entry 2026-01-02 030405 (2).reg");
}

// A missing file proves the head gone only on a drive that is there.
TEST(ServerFile, ADriveThatIsNotThereProvesNothing) {
  using namespace ServerFile;
  const std::pair<std::wstring, std::optional<std::wstring>> roots[] = {
      {L"q:\\heads\\a.ocx", L"q:\\"}, {L"\\\\?\\E:\\a.ocx", L"E:\\"}, {L"\\\\server\\share\\a.ocx", std::nullopt},
      {L"heads\\a.ocx", std::nullopt}, {L"1:\\a.ocx", std::nullopt}};
  for (const auto& [path, root] : roots) EXPECT_EQ(DriveRoot(path), root);
  EXPECT_EQ(Judge(Probe::NotFound, false), State::DriveMissing);
  EXPECT_EQ(Judge(Probe::Unreadable, false), State::DriveMissing);
  EXPECT_EQ(Judge(Probe::NotFound, true), State::Gone);
  EXPECT_EQ(Judge(Probe::Folder, true), State::Gone);
  EXPECT_EQ(Judge(Probe::Unreadable, true), State::NotChecked);
}

}  // namespace
