#include "games/EntryCheck.h"

#include <cwchar>
#include <vector>

#include "games/GameIds.h"
#include "games/GamesList.h"
#include "games/LiveRegistry.h"

namespace games {
namespace {

HKEY OpenKey(HKEY root, const wchar_t* path, REGSAM view) {
  HKEY key = nullptr;
  return RegOpenKeyExW(root, path, 0, KEY_QUERY_VALUE | view, &key) == ERROR_SUCCESS ? key : nullptr;
}

// The default value of root\sub as text (REG_SZ, or REG_EXPAND_SZ expanded: RRF_RT_REG_SZ takes both)
// up to its first NUL.
std::optional<std::wstring> DefaultText(HKEY root, const std::wstring& sub) {
  if (!root) return std::nullopt;
  std::vector<wchar_t> buffer(MAX_PATH);
  for (int tries = 0; tries < 4; ++tries) {
    DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    const LSTATUS status = RegGetValueW(root, sub.c_str(), nullptr, RRF_RT_REG_SZ, nullptr,
                                        buffer.data(), &bytes);
    if (status == ERROR_SUCCESS) return std::wstring(buffer.data(), wcsnlen(buffer.data(), bytes / sizeof(wchar_t)));
    if (status != ERROR_MORE_DATA) return std::nullopt;
    buffer.resize(bytes / sizeof(wchar_t) + 1);
  }
  return std::nullopt;
}

}  // namespace

std::wstring ReasonText(const EntryState& entry) {
  switch (entry.broken) {
    case Broken::FileGone: return L"its head file is gone";
    case Broken::NoClass: return L"its class is not registered";
    case Broken::NotClassId: return L"its id is not a class id";
    case Broken::DriveMissing:
      return L"drive " + games::DriveRoot(*entry.server)->substr(0, 2) + L" is not available now";
    case Broken::No: break;
  }
  return L"";
}

EntryReader::EntryReader() {
  list_ = OpenKey(HKEY_LOCAL_MACHINE, games::kListKey, 0);
  for (int hive = 0; hive < 2; ++hive)
    for (int view = 0; view < 2; ++view)
      if (view == 0 || HasOtherView())
        classes_[hive][view] = OpenKey(hive == 0 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID",
                                       ViewFlag(view == 0 ? View::Own : View::Other));
}

EntryReader::~EntryReader() {
  if (list_) RegCloseKey(list_);
  for (auto& hive : classes_)
    for (HKEY key : hive)
      if (key) RegCloseKey(key);
}

// As the classes root shows it: the user's class, else the machine's.
std::optional<std::wstring> EntryReader::Server(const std::wstring& classId, bool otherView) const {
  const std::wstring sub = classId + L"\\InprocServer32";
  if (auto user = DefaultText(classes_[0][otherView], sub)) return user;
  return DefaultText(classes_[1][otherView], sub);
}

bool EntryReader::DriveThere(const std::wstring& root) {
  signed char& known = drives_[(root[0] | 0x20) - L'a'];  // a root is a drive letter, a colon and a backslash
  if (known == 0)
    known = GetDriveTypeW(root.c_str()) != DRIVE_NO_ROOT_DIR && GetFileAttributesW(root.c_str()) != INVALID_FILE_ATTRIBUTES ? 1 : -1;
  return known > 0;
}

// What a look at the server path proves (an empty path names no file). A file that is there counts
// whatever its attributes; a path that cannot be checked now (access denied, an unreachable share, a
// drive that is not there) is not proven absent.
games::State EntryReader::FileState(const std::wstring& path) {
  using games::Probe;
  if (path.empty()) return games::State::Gone;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  Probe probe = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Probe::Folder : Probe::File;
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    const bool notFound = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME;
    probe = notFound ? Probe::NotFound : Probe::Unreadable;
  }
  const std::optional<std::wstring> root = games::DriveRoot(path);
  return games::Judge(probe, probe == Probe::File || !root || DriveThere(*root));
}

EntryState EntryReader::Check(const std::wstring& name) {
  EntryState entry;
  entry.name = name;
  entry.classId = DefaultText(list_, name).value_or(L"");
  if (!entry.classId.empty() && entry.classId.find(L'\\') == std::wstring::npos) entry.server = Server(entry.classId, false);
  if (!entry.server && !entry.classId.empty() && entry.classId.find(L'\\') == std::wstring::npos)
    entry.otherServer = Server(entry.classId, true);
  entry.file = FileState(entry.server.value_or(L""));
  if (!games::IsClassIdText(entry.classId)) entry.broken = Broken::NotClassId;
  else if (entry.otherServer && !entry.otherServer->empty()) entry.broken = Broken::No;
  else if (entry.server.value_or(L"").empty()) entry.broken = Broken::NoClass;
  else if (entry.file == games::State::Gone) entry.broken = Broken::FileGone;
  else if (entry.file == games::State::DriveMissing) entry.broken = Broken::DriveMissing;
  return entry;
}

}  // namespace games
