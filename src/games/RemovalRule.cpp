#include "games/RemovalRule.h"

#include <algorithm>
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

// Whether a version of the type library registers server as its 32-bit or 64-bit file
// (TypeLib\L\<version>\<locale>\win32).
bool TypeLibNamesServer(const RegistryFacts& facts, const std::wstring& typeLibKey, const std::wstring& server) {
  for (const std::wstring& version : facts.SubKeys(Root::LocalMachine, typeLibKey)) {
    const std::wstring versionKey = typeLibKey + L"\\" + version;
    for (const std::wstring& locale : facts.SubKeys(Root::LocalMachine, versionKey))
      for (const wchar_t* platform : {L"\\win32", L"\\win64"})
        if (SameName(DefaultText(facts, Root::LocalMachine, versionKey + L"\\" + locale + platform), server))
          return true;
  }
  return false;
}

}  // namespace

std::vector<KeyToDelete> PlanRemoval(const RegistryFacts& facts, const RemovalRequest& request) {
  using namespace GameIds;
  std::vector<KeyToDelete> plan;
  // An empty name would name the whole list.
  if (!request.entryName.empty()) plan.push_back({GamesList::kRoot, GamesList::EntryKey(request.entryName)});
  // A text that is not a class id could name an unrelated key.
  const std::wstring& classId = request.classId;
  if (!IsClassIdText(classId)) return plan;

  const std::wstring classKey = kClasses + classId;
  const std::wstring server = DefaultText(facts, Root::ClassesRoot, GamesList::ServerKey(classId));
  const std::optional<std::wstring> typeLibId = FamilyMember(classId, kTypeLibId);
  // The family's other ids are the head's own only when the class names the derived type library.
  const bool trusted = typeLibId && facts.Value(Root::ClassesRoot, classKey + L"\\TypeLib", L"") == *typeLibId;

  if (!server.empty() && request.fileBoxText == server) {
    plan.push_back({Root::ClassesRoot, classKey});
    const std::optional<std::wstring> second = FamilyMember(classId, kSecondClassId);
    if (trusted && second && SameName(DefaultText(facts, Root::ClassesRoot, GamesList::ServerKey(*second)), server))
      plan.push_back({Root::ClassesRoot, kClasses + *second});
  }
  if (!trusted) return plan;

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
  const std::wstring typeLibKey = kMachineTypeLibs + *typeLibId;
  if (TypeLibNamesServer(facts, typeLibKey, server)) plan.push_back({Root::LocalMachine, typeLibKey});
  addInterfaces(Root::ClassesRoot, kRootInterfaces);
  return plan;
}

}  // namespace RemovalRule
