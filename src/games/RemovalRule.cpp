#include "games/RemovalRule.h"

#include <algorithm>
#include <initializer_list>
#include <optional>

#include "games/GameIds.h"
#include "games/GamesList.h"

namespace RemovalRule {

namespace {

constexpr wchar_t kClasses[] = L"CLSID\\";
constexpr wchar_t kMachineInterfaces[] = L"Software\\CLASSES\\Interface\\";
constexpr wchar_t kMachineTypeLibs[] = L"Software\\CLASSES\\TypeLib\\";
constexpr wchar_t kRootInterfaces[] = L"Interface\\";

wchar_t FoldAscii(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

// Equal non-empty texts, ignoring the case of ASCII letters only: paths that differ in the case of
// other letters count as different files, which keeps their keys.
bool SameName(const std::wstring& a, const std::wstring& b) {
  return !a.empty() && std::ranges::equal(a, b, [](wchar_t x, wchar_t y) { return FoldAscii(x) == FoldAscii(y); });
}

std::wstring DefaultText(const RegistryFacts& facts, Root root, const std::wstring& path) {
  return facts.Value(root, path, L"").value_or(L"");
}

bool IsOneOf(const std::wstring& name, std::initializer_list<const wchar_t*> names) {
  return std::ranges::any_of(names, [&](const wchar_t* n) { return SameName(name, n); });
}

// Of a version key (TypeLib\L\<version>), the keys to delete for server: its locales' win32 and win64
// keys naming it, or a locale key whose every file names it. keeps: whether a registration stays.
std::vector<std::wstring> VersionFiles(const RegistryFacts& facts, const std::wstring& versionKey,
                                       const std::wstring& server, bool& keeps) {
  std::vector<std::wstring> gone;
  for (const std::wstring& locale : facts.SubKeys(Root::LocalMachine, versionKey)) {
    if (IsOneOf(locale, {L"FLAGS", L"HELPDIR"})) continue;
    const std::wstring localeKey = versionKey + L"\\" + locale;
    const std::vector<std::wstring> files = facts.SubKeys(Root::LocalMachine, localeKey);
    std::vector<std::wstring> named;
    for (const std::wstring& file : files)
      if (IsOneOf(file, {L"win32", L"win64"}) &&
          SameName(DefaultText(facts, Root::LocalMachine, localeKey + L"\\" + file), server))
        named.push_back(localeKey + L"\\" + file);
    const bool whole = !named.empty() && named.size() == files.size();
    keeps |= !whole;
    if (whole) gone.push_back(localeKey);
    else gone.insert(gone.end(), named.begin(), named.end());
  }
  return gone;
}

// The keys of the type library at typeLibKey to delete for server (see PlanRemoval).
std::vector<std::wstring> TypeLibKeys(const RegistryFacts& facts, const std::wstring& typeLibKey,
                                      const std::wstring& server) {
  std::vector<std::wstring> keys;
  const std::vector<std::wstring> versions = facts.SubKeys(Root::LocalMachine, typeLibKey);
  size_t emptied = 0;
  for (const std::wstring& version : versions) {
    bool keeps = false;
    const std::wstring versionKey = typeLibKey + L"\\" + version;
    const std::vector<std::wstring> gone = VersionFiles(facts, versionKey, server, keeps);
    if (gone.empty()) continue;
    if (keeps) {
      keys.insert(keys.end(), gone.begin(), gone.end());
    } else {
      keys.push_back(versionKey);
      ++emptied;
    }
  }
  if (emptied > 0 && emptied == versions.size()) return {typeLibKey};
  return keys;
}

void PlanFamily(const RegistryFacts& facts, const RemovalRequest& request, std::vector<KeyToDelete>& plan) {
  using namespace GameIds;
  const std::wstring& classId = request.classId;
  const std::wstring classKey = kClasses + classId;
  const std::wstring server = DefaultText(facts, Root::ClassesRoot, GamesList::ServerKey(classId));
  const std::optional<std::wstring> typeLibId = FamilyMember(classId, kTypeLibId);
  // The family's other ids are the head's own only when the class names the derived type library.
  const bool trusted = typeLibId && facts.Value(Root::ClassesRoot, classKey + L"\\TypeLib", L"") == *typeLibId;
  const bool boxShowsServer = !server.empty() && request.fileBoxText == server;

  if (trusted) {
    // A type library id at C-3 implies the interface ids between it and C.
    const std::wstring interfaceIds[] = {*FamilyMember(classId, kFirstInterfaceId),
                                         *FamilyMember(classId, kSecondInterfaceId)};
    auto addInterfaces = [&](Root root, const wchar_t* tree) {
      for (const std::wstring& id : interfaceIds) {
        const std::wstring key = tree + id;
        if (SameName(DefaultText(facts, root, key + L"\\TypeLib"), *typeLibId)) plan.push_back({root, key});
      }
    };
    addInterfaces(Root::LocalMachine, kMachineInterfaces);
    for (std::wstring& key : TypeLibKeys(facts, kMachineTypeLibs + *typeLibId, server))
      plan.push_back({Root::LocalMachine, std::move(key)});
    addInterfaces(Root::ClassesRoot, kRootInterfaces);
    const std::optional<std::wstring> second = FamilyMember(classId, kSecondClassId);
    if (boxShowsServer && second &&
        SameName(DefaultText(facts, Root::ClassesRoot, GamesList::ServerKey(*second)), server))
      plan.push_back({Root::ClassesRoot, kClasses + *second});
  }
  if (boxShowsServer) plan.push_back({Root::ClassesRoot, classKey});
}

}  // namespace

std::vector<KeyToDelete> PlanRemoval(const RegistryFacts& facts, const RemovalRequest& request) {
  std::vector<KeyToDelete> plan;
  // A text that is not a class id could name an unrelated key.
  if (GameIds::IsClassIdText(request.classId)) PlanFamily(facts, request, plan);
  // An empty name would name the whole list.
  if (!request.entryName.empty()) plan.push_back({GamesList::kRoot, GamesList::EntryKey(request.entryName)});
  return plan;
}

}  // namespace RemovalRule
