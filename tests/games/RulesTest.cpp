// Class id families, and the keys a removal plans on a registry given as a table.
#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include <gtest/gtest.h>

#include "games/GameIds.h"
#include "games/RegFile.h"
#include "games/RemovalRule.h"
#include "games/ServerFile.h"

namespace {

using namespace games;

TEST(GameIds, FamilyMembersChangeTheLastTwoDigitsOfTheFirstGroupInUpperCaseWithoutCarry) {
  const std::tuple<std::wstring, int, std::optional<std::wstring>> cases[] = {
      {L"{abcdef12-abcd-abcd-abcd-abcdefabcdef}", kTypeLibId, L"{abcdef0F-abcd-abcd-abcd-abcdefabcdef}"},
      {L"{123456FF-0000-0000-0000-000000000000}", kSecondClassId, std::nullopt},
      {L"{12345602-0000-0000-0000-000000000000}", kSecondInterfaceId, L"{12345600-0000-0000-0000-000000000000}"},
      {L"{12345602-0000-0000-0000-000000000000}", kTypeLibId, std::nullopt},
      {L"{123456zz-ABCD-EF01-2345-6789ABCDEF01}", kFirstInterfaceId, std::nullopt}};  // no class id
  for (const auto& [classId, member, expected] : cases) EXPECT_EQ(FamilyMember(classId, member), expected) << member;
}

constexpr Hive U = Hive::User, M = Hive::Machine;
using Key = ClassesKey;
struct KeyOrder {
  bool operator()(const Key& a, const Key& b) const { return std::tie(a.hive, a.view, a.path) < std::tie(b.hive, b.view, b.path); }
};
using Keys = std::map<Key, std::optional<std::wstring>, KeyOrder>;  // keys and their default values

class TableFacts : public RegistryFacts {
 public:
  explicit TableFacts(Keys keys) : keys_(std::move(keys)) {}
  std::optional<std::wstring> Value(const Key& key, const std::wstring& name) const override {
    const auto it = keys_.find(key);
    return it == keys_.end() || !name.empty() ? std::nullopt : it->second;
  }
  std::vector<std::wstring> SubKeys(const Key& key) const override {
    std::set<std::wstring> names;
    const std::wstring& path = key.path;
    for (const auto& [k, value] : keys_)
      if (k.hive == key.hive && k.view == key.view && k.path.starts_with(path + L"\\"))
        names.insert(k.path.substr(path.size() + 1, k.path.find(L'\\', path.size() + 1) - path.size() - 1));
    return {names.begin(), names.end()};
  }
  std::wstring FileIdentity(const std::wstring& path) const override {
    std::wstring folded = path;
    for (wchar_t& c : folded) c = c >= L'a' && c <= L'z' ? c - 32 : c;
    return folded;
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
  // Not class ids, each with a registration under the ids a lenient reading of its digits would give.
  const Family bad = Ids(L"{123456", L"-5A6B-4C7D-8E9F-0A1B2C3D4E5G}", {L"4C", L"4D", L"4B", L"4A", L"49"});
  const Family slash = Ids(L"{123456", L"-5A6B-4C7D-8E9F-0A1B2C3D\\E5F}", {L"4C", L"4D", L"4B", L"4A", L"49"});
  const std::wstring server = L"C:\\Heads\\chess.ocx", other = L"C:\\Heads\\other.ocx";
  const std::wstring lower = L"{12345649-5a6b-4c7d-8e9f-0a1b2c3d4e5f}", pid = L"Vesk.Chess.1", vpid = L"Vesk.Chess";
  auto srv = [](const std::wstring& id, Hive h = M) { return Key{h, View::Own, L"CLSID\\" + id + L"\\InprocServer32"}; };
  auto cls = [](const std::wstring& id, const wchar_t* sub) { return Key{M, View::Own, L"CLSID\\" + id + sub}; };
  auto itf = [](Hive h, View v, const std::wstring& id) { return Key{h, v, L"Interface\\" + id + L"\\TypeLib"}; };
  auto file = [](const Family& of, const wchar_t* at = L"\\1.0\\0\\win32") { return Key{M, View::Own, L"TypeLib\\" + of.lib + at}; };
  auto own = [](const std::wstring& path) { return Key{M, View::Own, path}; };
  // A head registered the usual way: every member points back to the class's server or type library.
  auto usual = [&](const Family& of) {
    Keys keys{{srv(of.c), server}, {cls(of.c, L"\\TypeLib"), of.lib}, {file(of), server}, {cls(of.c, L"\\ProgID"), pid},
              {cls(of.c, L"\\VersionIndependentProgID"), vpid}, {own(pid + L"\\CLSID"), of.c}, {own(vpid + L"\\CLSID"), of.c},
              {own(vpid + L"\\CurVer"), pid}};
    if (!of.c2.empty()) keys[srv(of.c2)] = server;
    for (const std::wstring& i : {of.i1, of.i2})
      keys[itf(M, View::Own, i)] = keys[itf(U, View::Own, i)] = keys[itf(M, View::Other, i)] = of.lib;
    return keys;
  };
  const std::vector<int> whole = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, interfaces = {0, 3, 4, 6, 7, 8, 9};
  const auto none = std::nullopt;
  struct Case {
    const char* what;
    const Family& f;
    Keys change;
    std::wstring gone;
    // 0 the entry, 1-2 the classes, 3-4 the machine's interfaces, 5 the type library, 6-7 the user's
    // interfaces, 8-9 the other view's, 10-11 the ProgIDs, 12 the user's class
    std::vector<int> keys;
    std::vector<std::wstring> libKeys = {L""};  // the type library's keys to go, below its key
    std::wstring entry = L"Chess";
  } cases[] = {
      {"its file gone", f, {}, server, whole},
      {"another file gone", f, {}, other, interfaces},
      {"its file gone, named in other letter case", f, {}, L"c:\\heads\\CHESS.ocx", whole},
      {"a class with no server", f, {{srv(f.c), L""}, {srv(f.c2), L""}, {file(f), L""}}, L"", interfaces},
      {"class names another type library", f, {{cls(f.c, L"\\TypeLib"), f.i2}}, server, {0, 1, 10, 11}},
      {"class names the type library in other letter case", f, {{cls(f.c, L"\\TypeLib"), lower}}, server, {0, 1, 10, 11}},
      {"second class of another file", f, {{srv(f.c2), other}}, server, {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
      {"the class in the user's classes too", f, {{srv(f.c, U), server}}, server, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
      {"the user's class of another file", f, {{srv(f.c, U), other}}, server, whole},
      {"back-pointers in other letter case, 64-bit file of another version", f,
       {{srv(f.c2), L"c:\\HEADS\\Chess.OCX"}, {itf(M, View::Own, f.i1), lower}, {itf(U, View::Own, f.i2), lower}, {file(f), none},
        {file(f, L"\\2.1\\409\\win64"), L"C:\\heads\\CHESS.ocx"}, {own(pid + L"\\CLSID"), L"{1234564c-5a6b-4c7d-8e9f-0a1b2c3d4e5f}"}},
       server, whole, {L"\\2.1"}},
      // The type library is shared by the head's builds and versions: only what names the server goes.
      {"64-bit file of another build", f, {{file(f, L"\\1.0\\0\\win64"), other}}, server, whole, {L"\\1.0\\0\\win32"}},
      {"both files are the server's", f, {{file(f, L"\\1.0\\0\\win64"), server}}, server, whole},
      {"another locale's file", f, {{file(f, L"\\1.0\\409\\win32"), other}}, server, whole, {L"\\1.0\\0"}},
      {"another version; FLAGS, HELPDIR left", f, {{file(f, L"\\2.0\\0\\win32"), other}, {file(f, L"\\1.0\\FLAGS"), L"0"},
       {file(f, L"\\1.0\\HELPDIR"), L"C:\\"}}, server, whole, {L"\\1.0"}},
      {"a version with no file", f, {{file(f, L"\\3.0\\FLAGS"), L"0"}}, server, whole, {L"\\1.0"}},
      {"members of other heads", f, {{itf(M, View::Own, f.i1), f.i2}, {itf(M, View::Own, f.i2), none}, {itf(U, View::Own, f.i1), L""},
       {itf(M, View::Other, f.i2), f.i2}, {file(f), other}}, server, {0, 1, 2, 7, 8, 10, 11}},
      {"interfaces that name no type library", f, {{itf(M, View::Own, f.i1), none}, {itf(M, View::Own, f.i2), none},
       {itf(U, View::Own, f.i1), none}, {itf(U, View::Own, f.i2), none}}, server, {0, 1, 2, 5, 8, 9, 10, 11}},
      {"a ProgID of another class", f, {{own(pid + L"\\CLSID"), f.c2}}, server, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {"keys that only share the ProgIDs' names", f, {{own(pid + L"\\CLSID"), none}, {own(vpid + L"\\CLSID"), none},
       {own(vpid + L"\\CurVer"), none}, {own(pid), L"Chess"}, {own(vpid), L"Chess"}}, server, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {"a ProgID naming a tree of the classes", f, {{cls(f.c, L"\\ProgID"), L"CLSID"}, {own(L"CLSID\\CLSID"), f.c},
       {cls(f.c, L"\\VersionIndependentProgID"), L"Interface"}, {own(L"Interface\\CLSID"), f.c}}, server, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {"no second class id above FF", kFF, {}, server, {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
      {"not a class id", bad, {}, server, {0}},
      {"not a class id, a backslash in it", slash, {}, server, {0}},
      {"no entry name", f, {}, server, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, {L""}, L""},
  };
  for (const Case& c : cases) {
    Keys keys = usual(c.f);
    for (const auto& [key, value] : c.change) keys[key] = value;
    const Key all[] = {own(L"Software\\Ubique\\VPgames32\\Chess"), own(L"CLSID\\" + c.f.c), own(L"CLSID\\" + c.f.c2),
                       own(L"Interface\\" + c.f.i1), own(L"Interface\\" + c.f.i2), own(L"TypeLib\\" + c.f.lib),
                       {U, View::Own, L"Interface\\" + c.f.i1}, {U, View::Own, L"Interface\\" + c.f.i2},
                       {M, View::Other, L"Interface\\" + c.f.i1}, {M, View::Other, L"Interface\\" + c.f.i2}, own(pid), own(vpid),
                       {U, View::Own, L"CLSID\\" + c.f.c}};
    std::vector<KeyToDelete> expected;  // the head's keys, the ones the plan is made from last, the entry last of all
    for (int i : {6, 7, 3, 4, 8, 9, 5, 10, 11, 2, 12, 1, 0}) {
      if (!std::ranges::count(c.keys, i)) continue;
      for (const std::wstring& at : i == 5 ? c.libKeys : std::vector<std::wstring>{L""})
        expected.push_back({all[i].hive, all[i].view, all[i].path + at});
    }
    const auto plan = PlanRemoval(TableFacts(keys), {c.entry, c.f.c, c.gone});
    EXPECT_TRUE(plan == expected) << c.what << ": " << plan.size() << " keys planned, " << expected.size() << " expected";
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
  const std::vector<games::Key> keys = {
      {key.substr(1, key.size() - 2),
       {{L"", 1, utf16(L"C:\\a \"b\"\0"s)}, {L"n\\\"\u4e2d", 4, {1, 2, 3, 0xF4}}, {L"odd", 1, {0x41}},
        {L"nul", 1, utf16(L"a\0b\0"s)}, {L"crlf", 1, utf16(L"\r\n\0"s)}, {L"empty", 1, {}}, {L"short", 4, {1, 2}},
        {L"none", 0, {}}, {L"q", 11, {1, 0, 0, 0, 0, 0, 0, 0x80}}, {L"bin", 3, bytes40}}},
      {L"HKEY_LOCAL_MACHINE\\S\\x", {}}};
  EXPECT_EQ(games::Text(keys), L"Windows Registry Editor Version 5.00\r\n\r\n" + key + L"\r\n"
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
  EXPECT_EQ(games::Text({{L"HKEY_LOCAL_MACHINE\\S", {{L"a\nb", 0, {}}}}}), std::nullopt);
}

// A 32-bit program on 64-bit Windows saves its class and interface keys as the 64-bit editor sees them.
TEST(RegFile, KeysAreNamedAsTheSixtyFourBitEditorSeesThem) {
  using games::RegFileHive;
  const std::wstring clsid = L"Software\\CLASSES\\CLSID\\{1}", lm = L"HKEY_LOCAL_MACHINE\\";
  const std::tuple<RegFileHive, std::wstring, bool, std::wstring> cases[] = {
      {RegFileHive::LocalMachine, clsid, true, lm + L"SOFTWARE\\Wow6432Node\\Classes\\CLSID\\{1}"},
      {RegFileHive::LocalMachine, clsid, false, lm + clsid},
      {RegFileHive::CurrentUser, L"Software\\Classes\\interface\\{1}", true,
       L"HKEY_CURRENT_USER\\Software\\Classes\\Wow6432Node\\interface\\{1}"},
      {RegFileHive::LocalMachine, L"Software\\CLASSES\\TypeLib\\{1}", true, lm + L"Software\\CLASSES\\TypeLib\\{1}"},
      {RegFileHive::LocalMachine, L"Software\\CLASSES\\CLSIDs", true, lm + L"Software\\CLASSES\\CLSIDs"}};
  for (const auto& [hive, path, wow64, name] : cases) EXPECT_EQ(games::KeyName(hive, path, wow64), name);
  const games::Stamp when{2026, 1, 2, 3, 4, 5};
  EXPECT_EQ(games::FileName(L"A: \"b\" <c>/d?*|\\\t", when, 1), L"A_ _b_ _c__d_____ 2026-01-02 030405.reg");
  EXPECT_EQ(games::FileName(L"", when, 2), L"Games list entry 2026-01-02 030405 (2).reg");
}

// A missing file proves the head gone only on a drive that is there.
TEST(ServerFile, ADriveThatIsNotThereProvesNothing) {

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
