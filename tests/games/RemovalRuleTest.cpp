#include "games/RemovalRule.h"

#include <functional>
#include <map>
#include <set>

#include <gtest/gtest.h>

using namespace RemovalRule;

namespace {

constexpr Root CR = Root::ClassesRoot, LM = Root::LocalMachine;

// A registry of keys with default values (nullopt: a key without one).
class TableFacts : public RegistryFacts {
 public:
  void Set(Root root, const std::wstring& path, std::optional<std::wstring> value) { keys_[{root, path}] = value; }
  std::optional<std::wstring> Value(Root root, const std::wstring& path, const std::wstring& name) const override {
    const auto it = keys_.find({root, path});
    return it == keys_.end() || !name.empty() ? std::nullopt : it->second;
  }
  std::vector<std::wstring> SubKeys(Root root, const std::wstring& path) const override {
    std::set<std::wstring> names;
    for (const auto& [key, value] : keys_)
      if (key.first == root && key.second.starts_with(path + L"\\")) {
        const std::wstring rest = key.second.substr(path.size() + 1);
        names.insert(rest.substr(0, rest.find(L'\\')));
      }
    return {names.begin(), names.end()};
  }

 private:
  std::map<std::pair<Root, std::wstring>, std::optional<std::wstring>> keys_;
};

struct Family {
  std::wstring c, c2, i1, i2, lib;  // c2 empty: no second class id
};
const Family k4C = {L"{1234564C-5A6B-4C7D-8E9F-0A1B2C3D4E5F}", L"{1234564D-5A6B-4C7D-8E9F-0A1B2C3D4E5F}",
                    L"{1234564B-5A6B-4C7D-8E9F-0A1B2C3D4E5F}", L"{1234564A-5A6B-4C7D-8E9F-0A1B2C3D4E5F}",
                    L"{12345649-5A6B-4C7D-8E9F-0A1B2C3D4E5F}"};
const Family kFF = {L"{000000FF-0000-0000-0000-0000000000AA}", L"", L"{000000FE-0000-0000-0000-0000000000AA}",
                    L"{000000FD-0000-0000-0000-0000000000AA}", L"{000000FC-0000-0000-0000-0000000000AA}"};
// Ids of the system's automation interfaces, one digit apart as a head's family would be.
const Family kSystem = {L"{00020404-0000-0000-C000-000000000046}", L"{00020405-0000-0000-C000-000000000046}",
                        L"{00020403-0000-0000-C000-000000000046}", L"{00020402-0000-0000-C000-000000000046}",
                        L"{00020401-0000-0000-C000-000000000046}"};
const std::wstring kServer = L"C:\\Heads\\chess.ocx", kOther = L"C:\\Heads\\other.ocx";
const std::wstring kLmInterface = L"Software\\CLASSES\\Interface\\", kLmTypeLib = L"Software\\CLASSES\\TypeLib\\";

// The keys of a whole removal in the rule's order: 0 the entry, 1 and 2 the classes, 3 and 4 the
// machine's interfaces, 5 the type library, 6 and 7 the classes root's interfaces.
std::vector<KeyToDelete> AllKeys(const Family& f) {
  return {{LM, L"Software\\CLASSES\\Software\\Ubique\\VPgames32\\Chess"},
          {CR, L"CLSID\\" + f.c}, {CR, L"CLSID\\" + f.c2},
          {LM, kLmInterface + f.i1}, {LM, kLmInterface + f.i2}, {LM, kLmTypeLib + f.lib},
          {CR, L"Interface\\" + f.i1}, {CR, L"Interface\\" + f.i2}};
}

// A head registered the usual way: every member points back to the class's server or type library.
TableFacts UsualHead(const Family& f) {
  TableFacts facts;
  facts.Set(CR, L"CLSID\\" + f.c + L"\\InprocServer32", kServer);
  facts.Set(CR, L"CLSID\\" + f.c + L"\\TypeLib", f.lib);
  if (!f.c2.empty()) facts.Set(CR, L"CLSID\\" + f.c2 + L"\\InprocServer32", kServer);
  for (const std::wstring& i : {f.i1, f.i2}) {
    facts.Set(LM, kLmInterface + i + L"\\TypeLib", f.lib);
    facts.Set(CR, L"Interface\\" + i + L"\\TypeLib", f.lib);
  }
  facts.Set(LM, kLmTypeLib + f.lib + L"\\1.0\\0\\win32", kServer);
  return facts;
}

void PrintTo(const KeyToDelete& k, std::ostream* out) {
  *out << (k.root == LM ? "HKLM " : "HKCR ") << testing::PrintToString(k.path);
}

TEST(RemovalRule, OnlyKeysThatPointBackToTheHeadGo) {
  auto set = [](Root root, const std::wstring& path, std::optional<std::wstring> value) {
    return [=](TableFacts& t) { t.Set(root, path, value); };
  };
  const std::wstring classTypeLib = L"CLSID\\" + k4C.c + L"\\TypeLib";
  const std::wstring lowerLib = L"{12345649-5a6b-4c7d-8e9f-0a1b2c3d4e5f}";
  struct Case {
    const char* what;
    const Family& f;
    std::function<void(TableFacts&)> change;
    std::wstring fileBox;
    std::vector<int> expected;  // indexes into AllKeys
    std::wstring classId = L"";  // the family's when empty
    std::wstring entry = L"Chess";
  };
  const std::vector<int> whole = {0, 1, 2, 3, 4, 5, 6, 7}, notShown = {0, 3, 4, 5, 6, 7};
  const Case cases[] = {
      {"usual head, box showing its server", k4C, {}, kServer, whole},
      {"usual head, box showing another file", k4C, {}, kOther, notShown},
      {"box empty, server unreadable", k4C, set(CR, L"CLSID\\" + k4C.c + L"\\InprocServer32", std::nullopt), L"",
       {0, 3, 4, 6, 7}},
      {"box and every server path empty", k4C,
       [](TableFacts& t) {
         for (const std::wstring& id : {k4C.c, k4C.c2}) t.Set(CR, L"CLSID\\" + id + L"\\InprocServer32", L"");
         t.Set(LM, kLmTypeLib + k4C.lib + L"\\1.0\\0\\win32", L"");
       },
       L"", {0, 3, 4, 6, 7}},
      {"class names another type library", k4C, set(CR, classTypeLib, k4C.i2), kServer, {0, 1}},
      {"class names the type library in other letter case", k4C, set(CR, classTypeLib, lowerLib), kServer, {0, 1}},
      {"another type library, box showing another file", k4C, set(CR, classTypeLib, L""), kOther, {0}},
      {"second class of another file", k4C, set(CR, L"CLSID\\" + k4C.c2 + L"\\InprocServer32", kOther), kServer,
       {0, 1, 3, 4, 5, 6, 7}},
      {"back-pointers in other letter case, 64-bit file of another version", k4C,
       [&](TableFacts& t) {
         t.Set(CR, L"CLSID\\" + k4C.c2 + L"\\InprocServer32", L"c:\\HEADS\\Chess.OCX");
         for (const std::wstring& i : {k4C.i1, k4C.i2}) {
           t.Set(LM, kLmInterface + i + L"\\TypeLib", lowerLib);
           t.Set(CR, L"Interface\\" + i + L"\\TypeLib", lowerLib);
         }
         t.Set(LM, kLmTypeLib + k4C.lib + L"\\1.0\\0\\win32", std::nullopt);
         t.Set(LM, kLmTypeLib + k4C.lib + L"\\1.0\\FLAGS", L"0");
         t.Set(LM, kLmTypeLib + k4C.lib + L"\\2.1\\409\\win64", L"C:\\heads\\CHESS.ocx");
       },
       kServer, whole},
      {"members of other heads", k4C,
       [](TableFacts& t) {
         t.Set(LM, kLmInterface + k4C.i1 + L"\\TypeLib", k4C.i2);
         t.Set(LM, kLmInterface + k4C.i2 + L"\\TypeLib", std::nullopt);
         t.Set(CR, L"Interface\\" + k4C.i1 + L"\\TypeLib", L"");
         t.Set(LM, kLmTypeLib + k4C.lib + L"\\1.0\\0\\win32", kOther);
       },
       kServer, {0, 1, 2, 7}},
      // The system's interfaces name no type library.
      {"system interfaces one digit apart", kSystem,
       [](TableFacts& t) {
         for (const auto& [root, tree] : {std::pair{LM, kLmInterface}, std::pair{CR, std::wstring(L"Interface\\")}})
           for (const std::wstring& i : {kSystem.i1, kSystem.i2}) {
             t.Set(root, tree + i + L"\\TypeLib", std::nullopt);
             t.Set(root, tree + i + L"\\ProxyStubClsid32", L"{00020424-0000-0000-C000-000000000046}");
           }
         t.Set(CR, L"CLSID\\" + kSystem.c2 + L"\\InprocServer32", L"C:\\windows\\system32\\oleaut32.dll");
         t.Set(LM, kLmTypeLib + kSystem.lib + L"\\1.0\\0\\win32", L"C:\\windows\\system32\\stdole2.tlb");
       },
       kServer, {0, 1}},
      {"no second class id above FF", kFF, {}, kServer, {0, 1, 3, 4, 5, 6, 7}},
      {"no class id", k4C, {}, kServer, {0}, L"{1234564C}"},
      {"no entry name", k4C, {}, kServer, {1, 2, 3, 4, 5, 6, 7}, L"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TableFacts facts = UsualHead(c.f);
    if (c.change) c.change(facts);
    std::vector<KeyToDelete> expected;
    for (int i : c.expected) expected.push_back(AllKeys(c.f)[i]);
    const auto plan = PlanRemoval(facts, {c.entry, c.classId.empty() ? c.f.c : c.classId, c.fileBox});
    EXPECT_EQ(plan, expected);
    for (const KeyToDelete& key : plan) EXPECT_FALSE(key.path.ends_with(L"\\"));
  }
}

}  // namespace
