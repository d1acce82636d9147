#include "registration/HeadCheck.h"

#include <ole2.h>

#include "games/GamesList.h"
#include "games/GamesStore.h"
#include "platform/Paths.h"
#include "platform/RegistryKey.h"
#include "platform/SystemFunctions.h"
#include "platform/SystemText.h"
#include "registration/RegRules.h"

namespace registration {
namespace {

bool SameText(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

// A path as the file system names it: full, in its long form when the file is there.
std::wstring Canonical(const std::wstring& path) {
  const std::wstring full = paths::FullPath(path);
  const std::wstring longForm = paths::LongPath(full);
  return longForm.empty() ? full : longForm;
}

// A text value (expandable ones expanded); empty when missing or of another type.
std::wstring TextValue(HKEY root, const std::wstring& path) {
  const auto value = RegistryKey::Open(root, path, KEY_QUERY_VALUE).ReadText(L"");
  if (!value) return {};
  if (value->type == REG_EXPAND_SZ) return ExpandEnvironmentVariables(value->text);
  return value->type == REG_SZ ? value->text : std::wstring();
}

// The class's server as the classes root shows it: the user's own classes over the machine's.
std::wstring ServerOf(const std::wstring& classId) {
  const std::wstring key = GamesList::ServerKey(classId);
  std::wstring server = TextValue(HKEY_CURRENT_USER, L"Software\\Classes\\" + key);
  if (server.empty()) server = TextValue(HKEY_CLASSES_ROOT, key);
  return server;
}

constexpr IID kClassFactoryId = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Loads the class as the host does, in process; the status of the attempt.
HRESULT LoadClass(const std::wstring& classId) {
  CLSID id{};
  if (FAILED(system_functions::CLSIDFromString(classId.c_str(), &id))) return CO_E_CLASSSTRING;
  void* factory = nullptr;
  const HRESULT status =
      system_functions::CoGetClassObject(id, CLSCTX_INPROC_SERVER, nullptr, kClassFactoryId, &factory);
  if (SUCCEEDED(status) && factory) static_cast<IUnknown*>(factory)->Release();
  return status;
}

}  // namespace

std::vector<ServedEntry> EntriesServedBy(const std::wstring& headPath) {
  const std::wstring head = Canonical(headPath);
  std::vector<ServedEntry> served;
  for (const std::wstring& name : games::ReadGameNames()) {
    const std::wstring classId = TextValue(HKEY_LOCAL_MACHINE, GamesList::EntryKey(name));
    if (classId.empty()) continue;
    const std::wstring server = ServerOf(classId);
    if (!server.empty() && SameText(Canonical(server), head)) served.push_back({name, classId});
  }
  return served;
}

CheckReport CheckRegistered(const std::wstring& headPath) {
  CheckReport report;
  for (const ServedEntry& entry : EntriesServedBy(headPath)) {
    const HRESULT status = LoadClass(entry.classId);
    const EntryCheck check = SUCCEEDED(status) ? EntryCheck::kListed : EntryCheck::kCannotLoad;
    const auto code = static_cast<std::uint32_t>(status);
    report.lines.push_back(CheckLine(check, entry.name, code, SUCCEEDED(status) ? L"" : SystemText(code)));
    report.failed = report.failed || CheckFails(check);
  }
  if (report.lines.empty()) report.lines.push_back(kNoGameAddedLine);
  return report;
}

CheckReport CheckUnregistered(const std::vector<ServedEntry>& before) {
  CheckReport report;
  for (const ServedEntry& entry : before) {
    // Still listed whatever its class now says: the host shows the entry and cannot load it.
    const bool still = RegistryKey::Open(HKEY_LOCAL_MACHINE, GamesList::EntryKey(entry.name), KEY_QUERY_VALUE).IsOpen();
    const EntryCheck check = still ? EntryCheck::kStillListed : EntryCheck::kGone;
    report.lines.push_back(CheckLine(check, entry.name, 0, L""));
    report.failed = report.failed || CheckFails(check);
  }
  return report;
}

}  // namespace registration
