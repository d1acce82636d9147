#include "games/RemovalRule.h"

#include <algorithm>
#include <initializer_list>
#include <optional>

#include "games/GameIds.h"
#include "games/GamesList.h"

namespace games {

namespace {

constexpr Hive kHives[] = {Hive::User, Hive::Machine};
constexpr wchar_t kClasses[] = L"CLSID\\";
constexpr wchar_t kInterfaces[] = L"Interface\\";
constexpr wchar_t kTypeLibs[] = L"TypeLib\\";

wchar_t FoldAscii(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

// Equal non-empty texts, ignoring the case of ASCII letters only.
bool SameName(const std::wstring& a, const std::wstring& b) {
  return !a.empty() && std::ranges::equal(a, b, [](wchar_t x, wchar_t y) { return FoldAscii(x) == FoldAscii(y); });
}

bool IsOneOf(const std::wstring& name, std::initializer_list<const wchar_t*> names) {
  return std::ranges::any_of(names, [&](const wchar_t* n) { return SameName(name, n); });
}

// A name a class may give as its ProgID: "Program.Component[.Version]", a single key directly below
// the classes, never a file type (".ocx"), a class id or one of the trees of the classes.
bool IsProgIdName(const std::wstring& name) {
  if (name.empty() || name.size() > 255 || name[0] == L'.' || name[0] == L'{') return false;
  if (name.find(L'.') == std::wstring::npos) return false;
  return std::ranges::none_of(name, [](wchar_t c) { return c < 32 || c == L'\\'; });
}

class Planner {
 public:
  Planner(const RegistryFacts& facts, const RemovalRequest& request)
      : facts_(facts), classId_(request.classId), gone_(facts.FileIdentity(request.goneFile)) {}

  std::vector<KeyToDelete> Plan() {
    const std::optional<std::wstring> typeLibId = FamilyMember(classId_, kTypeLibId);
    // The family's other ids are the head's own only when the class names the derived type library.
    const bool trusted = typeLibId && MergedDefault(facts_, View::Own, kClasses + classId_ + L"\\TypeLib") == *typeLibId;
    std::vector<std::wstring> classes;
    if (trusted) {
      // A type library id at C-3 implies the interface ids between it and C.
      for (View view : {View::Own, View::Other})
        for (Hive hive : kHives)
          for (int offset : {kFirstInterfaceId, kSecondInterfaceId}) {
            const ClassesKey key{hive, view, kInterfaces + *FamilyMember(classId_, offset)};
            if (SameName(Text({hive, view, key.path + L"\\TypeLib"}), *typeLibId)) plan_.push_back(key);
          }
      for (Hive hive : kHives) TypeLibKeys({hive, View::Own, kTypeLibs + *typeLibId});
      if (const std::optional<std::wstring> second = FamilyMember(classId_, kSecondClassId)) classes.push_back(*second);
    }
    classes.push_back(classId_);
    std::vector<ClassesKey> classKeys;
    for (const std::wstring& id : classes)
      for (Hive hive : kHives)
        if (NamesGoneFile(Text({hive, View::Own, games::ServerKey(id)}))) classKeys.push_back({hive, View::Own, kClasses + id});
    for (const ClassesKey& key : classKeys) ProgIds(key);
    plan_.insert(plan_.end(), classKeys.begin(), classKeys.end());
    return std::move(plan_);
  }

 private:
  std::wstring Text(const ClassesKey& key) const { return facts_.Value(key, L"").value_or(L""); }

  bool NamesGoneFile(const std::wstring& path) const { return !gone_.empty() && facts_.FileIdentity(path) == gone_; }

  // Of a version key (TypeLib\L\<version>), the keys to delete: its locales' win32 and win64 keys
  // naming the gone file, or a locale key whose every file names it. keeps: whether a registration stays.
  std::vector<std::wstring> VersionFiles(const ClassesKey& versionKey, bool& keeps) const {
    std::vector<std::wstring> gone;
    for (const std::wstring& locale : facts_.SubKeys(versionKey)) {
      if (IsOneOf(locale, {L"FLAGS", L"HELPDIR"})) continue;
      const ClassesKey localeKey{versionKey.hive, View::Own, versionKey.path + L"\\" + locale};
      const std::vector<std::wstring> files = facts_.SubKeys(localeKey);
      std::vector<std::wstring> named;
      for (const std::wstring& file : files)
        if (IsOneOf(file, {L"win32", L"win64"}) && NamesGoneFile(Text({localeKey.hive, View::Own, localeKey.path + L"\\" + file})))
          named.push_back(localeKey.path + L"\\" + file);
      const bool whole = !named.empty() && named.size() == files.size();
      keeps |= !whole;
      if (whole) gone.push_back(localeKey.path);
      else gone.insert(gone.end(), named.begin(), named.end());
    }
    return gone;
  }

  // The keys of the type library at typeLibKey to delete (see PlanRemoval).
  void TypeLibKeys(const ClassesKey& typeLibKey) {
    std::vector<std::wstring> keys;
    const std::vector<std::wstring> versions = facts_.SubKeys(typeLibKey);
    size_t emptied = 0;
    for (const std::wstring& version : versions) {
      bool keeps = false;
      const ClassesKey versionKey{typeLibKey.hive, View::Own, typeLibKey.path + L"\\" + version};
      const std::vector<std::wstring> gone = VersionFiles(versionKey, keeps);
      if (gone.empty()) continue;
      if (keeps) {
        keys.insert(keys.end(), gone.begin(), gone.end());
      } else {
        keys.push_back(versionKey.path);
        ++emptied;
      }
    }
    if (emptied > 0 && emptied == versions.size()) keys = {typeLibKey.path};
    for (std::wstring& key : keys) plan_.push_back({typeLibKey.hive, View::Own, std::move(key)});
  }

  // Whether the ProgID key names the class: its CLSID is the class, and the ProgID its CurVer names
  // (a version-independent one) has the class as its CLSID; at least one of them there.
  bool PointsBack(const ClassesKey& progId, const std::wstring& classId) const {
    const std::optional<std::wstring> clsid = facts_.Value({progId.hive, View::Own, progId.path + L"\\CLSID"}, L"");
    const std::optional<std::wstring> current = facts_.Value({progId.hive, View::Own, progId.path + L"\\CurVer"}, L"");
    if (!clsid && !current) return false;
    if (clsid && !SameName(*clsid, classId)) return false;
    return !current || (IsProgIdName(*current) && !SameName(*current, progId.path) &&
                        SameName(MergedDefault(facts_, View::Own, *current + L"\\CLSID").value_or(L""), classId));
  }

  // The ProgIDs that the class key going names and that name it back, in both classes.
  void ProgIds(const ClassesKey& classKey) {
    const std::wstring classId = classKey.path.substr(std::size(kClasses) - 1);
    for (const wchar_t* sub : {L"\\ProgID", L"\\VersionIndependentProgID"}) {
      const std::wstring name = Text({classKey.hive, View::Own, classKey.path + sub});
      if (!IsProgIdName(name)) continue;
      for (Hive hive : kHives) {
        const ClassesKey key{hive, View::Own, name};
        if (PointsBack(key, classId)) plan_.push_back(key);
      }
    }
  }

  const RegistryFacts& facts_;
  const std::wstring& classId_;
  const std::wstring gone_;
  std::vector<KeyToDelete> plan_;
};

}  // namespace

std::vector<KeyToDelete> PlanRemoval(const RegistryFacts& facts, const RemovalRequest& request) {
  std::vector<KeyToDelete> plan;
  // A text that is not a class id could name an unrelated key.
  if (games::IsClassIdText(request.classId)) plan = Planner(facts, request).Plan();
  // An empty name would name the whole list.
  if (!request.entryName.empty()) plan.push_back(games::EntryKey(request.entryName));
  // Each key once, where it first comes (a ProgID may be both of a class's names).
  std::vector<KeyToDelete> once;
  for (KeyToDelete& key : plan)
    if (std::ranges::none_of(once, [&](const KeyToDelete& k) { return k.hive == key.hive && k.view == key.view && SameName(k.path, key.path); }))
      once.push_back(std::move(key));
  return once;
}

}  // namespace games
