#include "registration/HeadCheck.h"

#include <ole2.h>

#include "games/GamesList.h"
#include "games/GamesStore.h"
#include "games/SideBySide.h"
#include "platform/Paths.h"
#include "platform/RegistryKey.h"
#include "platform/SystemFunctions.h"
#include "platform/SystemText.h"
#include "registration/RegRules.h"

namespace registration {
namespace {

constexpr IID kClassFactoryId = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

bool SameText(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

std::wstring_view FileNameOf(std::wstring_view path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring_view::npos ? path : path.substr(slash + 1);
}

// A path as the file system names it: full, in its long form when the file is there.
std::wstring Canonical(const std::wstring& path) {
  const std::wstring full = platform::FullPath(path);
  const std::wstring longForm = platform::LongPath(full);
  return longForm.empty() ? full : longForm;
}

// The head's file, and whether a registered server path names it. Only a server whose file name is
// the head's long or short name is looked at on disk: a long list costs no file system call per entry.
class HeadFile {
 public:
  explicit HeadFile(const std::wstring& path) : long_(Canonical(path)) {
    wchar_t shortPath[MAX_PATH] = {};
    const DWORD n = GetShortPathNameW(long_.c_str(), shortPath, MAX_PATH);
    if (n > 0 && n < MAX_PATH) shortName_ = FileNameOf(shortPath);
  }
  bool IsServedBy(const std::wstring& server) const {
    if (server.empty()) return false;
    const std::wstring_view name = FileNameOf(server);
    if (!SameText(name, FileNameOf(long_)) && (shortName_.empty() || !SameText(name, shortName_))) return false;
    return SameText(server, long_) || SameText(Canonical(server), long_);
  }

 private:
  std::wstring long_;
  std::wstring shortName_;
};

// A text value of root\path, expandable ones expanded (RRF_RT_REG_SZ takes both kinds); empty when
// missing or of another type.
std::wstring TextValue(HKEY root, const std::wstring& path) {
  std::wstring text(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    const LSTATUS status = RegGetValueW(root, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr,
                                        text.data(), &bytes);
    if (status == ERROR_SUCCESS) {
      text.resize(bytes / sizeof(wchar_t));
      return text.substr(0, text.find(L'\0'));
    }
    if (status != ERROR_MORE_DATA) return {};
    text.assign(bytes / sizeof(wchar_t) + 1, L'\0');
  }
  return {};
}

// The class's server as the classes root shows it: the user's own classes over the machine's.
std::wstring ServerOf(const std::wstring& classId) {
  const std::wstring key = games::ServerKey(classId);
  std::wstring server = TextValue(HKEY_CURRENT_USER, L"Software\\Classes\\" + key);
  if (server.empty()) server = TextValue(HKEY_CLASSES_ROOT, key);
  return server;
}

// Loads the class as the host does, in process; the status of the attempt.
HRESULT LoadClass(const std::wstring& classId) {
  CLSID id{};
  if (FAILED(platform::CLSIDFromString(classId.c_str(), &id))) return CO_E_CLASSSTRING;
  void* factory = nullptr;
  const HRESULT status = platform::CoGetClassObject(id, CLSCTX_INPROC_SERVER, nullptr, kClassFactoryId, &factory);
  if (SUCCEEDED(status) && factory) static_cast<IUnknown*>(factory)->Release();
  return status;
}

}  // namespace

std::vector<ServedEntry> EntriesServedBy(const std::wstring& headPath, ULONGLONG deadline, bool* finished) {
  const HeadFile head(headPath);
  const std::vector<std::wstring> names = games::ReadGameNames();
  const std::wstring list = std::wstring(games::kListKey) + L"\\";
  std::vector<std::vector<ServedEntry>> served(games::BlockCount(names.size()));
  const bool whole = games::ReadSideBySide(names.size(), [&](size_t, size_t block, size_t first, size_t end) {
    for (size_t i = first; i < end; ++i) {
      const std::wstring classId = TextValue(HKEY_LOCAL_MACHINE, list + names[i]);
      if (!classId.empty() && head.IsServedBy(ServerOf(classId))) served[block].push_back({names[i], classId});
    }
  }, [deadline] { return GetTickCount64() > deadline; });
  if (finished) *finished = whole;
  return games::InListOrder(served);
}

CheckReport CheckRegistered(const std::wstring& headPath, ULONGLONG deadline) {
  CheckReport report;
  bool finished = true;
  for (const ServedEntry& entry : EntriesServedBy(headPath, deadline, &finished)) {
    const HRESULT status = LoadClass(entry.classId);
    const EntryCheck check = SUCCEEDED(status) ? EntryCheck::kListed : EntryCheck::kCannotLoad;
    const auto code = static_cast<std::uint32_t>(status);
    report.lines.push_back(CheckLine(check, entry.name, code, SUCCEEDED(status) ? L"" : SystemText(code)));
    report.failed = report.failed || CheckFails(check);
  }
  if (!finished)
    report.lines.push_back(kCheckCutShortLine);
  else if (report.lines.empty())
    report.lines.push_back(kNoGameAddedLine);
  return report;
}

CheckReport CheckUnregistered(const std::vector<ServedEntry>& before) {
  CheckReport report;
  for (const ServedEntry& entry : before) {
    // Still listed whatever its class now says: the host shows the entry and cannot load it.
    const bool still = RegistryKey::Open(HKEY_LOCAL_MACHINE, std::wstring(games::kListKey) + L"\\" + entry.name, KEY_QUERY_VALUE).IsOpen();
    const EntryCheck check = still ? EntryCheck::kStillListed : EntryCheck::kGone;
    report.lines.push_back(CheckLine(check, entry.name, 0, L""));
    report.failed = report.failed || CheckFails(check);
  }
  return report;
}

}  // namespace registration
