// Class id families, and the keys a removal plans on a registry given as a table.
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "games/GameIds.h"
#include "games/RemovalRule.h"

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
       server, whole},
      {"members of other heads", f, {{lmLib(f.i1), f.i2}, {lmLib(f.i2), none}, {crLib(f.i1), L""}, {file(f), other}},
       server, {0, 1, 2, 7}},
      {"interfaces that name no type library", f, {{lmLib(f.i1), none}, {lmLib(f.i2), none}, {crLib(f.i1), none},
       {crLib(f.i2), none}}, server, {0, 1, 2, 5}},
      {"no second class id above FF", kFF, {}, server, {0, 1, 3, 4, 5, 6, 7}},
      {"no class id", f, {}, server, {0}, L"{1234564C}"},
      {"no entry name", f, {}, server, {1, 2, 3, 4, 5, 6, 7}, L"", L""},
  };
  for (const Case& c : cases) {
    Keys keys = usual(c.f);
    for (const auto& [key, value] : c.change) keys[key] = value;
    const KeyToDelete all[] = {{LM, L"Software\\CLASSES\\Software\\Ubique\\VPgames32\\Chess"}, {CR, L"CLSID\\" + c.f.c},
                               {CR, L"CLSID\\" + c.f.c2}, {LM, itf + c.f.i1}, {LM, itf + c.f.i2}, {LM, lib + c.f.lib},
                               {CR, L"Interface\\" + c.f.i1}, {CR, L"Interface\\" + c.f.i2}};
    std::vector<KeyToDelete> expected;
    for (int i : c.keys) expected.push_back(all[i]);
    const auto plan = PlanRemoval(TableFacts(keys), {c.entry, c.classId.empty() ? c.f.c : c.classId, c.box});
    EXPECT_TRUE(plan == expected) << c.what << ": " << plan.size() << " keys planned";
  }
}

}  // namespace
