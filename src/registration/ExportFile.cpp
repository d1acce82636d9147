#include "registration/ExportFile.h"

#include <optional>

#include "platform/NumberText.h"
#include "platform/TextFile.h"
#include "platform/RegistryKey.h"
#include "registration/ExportRules.h"

namespace registration {
namespace {

static_assert(sizeof(wchar_t) == 2, "the file is written as the program's UTF-16 text");

// More keys than any control writes: a head that writes without end makes no file.
constexpr size_t kMaxKeys = 100000;

std::wstring Upper(std::wstring text) {
  if (!text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// What the head's own path may look like in a value, in capitals: its long and short forms, and the
// folder it lies in.
struct OwnPath {
  std::vector<std::wstring> paths;
  std::wstring folder;

  explicit OwnPath(const std::wstring& head) {
    paths.push_back(Upper(head));
    std::wstring shortForm(MAX_PATH, L'\0');
    const DWORD n = GetShortPathNameW(head.c_str(), shortForm.data(), MAX_PATH);
    if (n > 0 && n < MAX_PATH && Upper(shortForm.substr(0, n)) != paths[0]) paths.push_back(Upper(shortForm.substr(0, n)));
    const size_t cut = head.find_last_of(L'\\');
    if (cut != std::wstring::npos && cut > 2) folder = Upper(head.substr(0, cut));  // not a drive's root
  }

  // Whether the text holds one of the paths, or the folder with nothing or a backslash after it.
  bool In(const std::wstring& text) const {
    const std::wstring upper = Upper(text);
    for (const std::wstring& path : paths)
      if (upper.find(path) != std::wstring::npos) return true;
    if (folder.empty()) return false;
    for (size_t at = upper.find(folder); at != std::wstring::npos; at = upper.find(folder, at + 1)) {
      const size_t end = at + folder.size();
      if (end == upper.size() || upper[end] == L'\\' || upper[end] == L'\0' || upper[end] == L'"') return true;
    }
    return false;
  }
};

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

std::wstring TextOf(const std::vector<BYTE>& data) {
  std::wstring text(data.size() / 2, L'\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<wchar_t>(data[2 * i] | data[2 * i + 1] << 8);
  return text;
}

struct Reader {
  ScratchRoot root;
  Bitness control;
  const OwnPath& own;
  CaughtRegistration& caught;

  // Reads the open key at path (below the root) and everything below it; false on a failure.
  bool Read(const RegistryKey& key, const std::wstring& path) {
    std::optional<std::vector<RegistryKey::Value>> values = key.Values();
    const std::vector<std::wstring> subKeys = key.SubKeyNames();
    if (!values || subKeys.size() != key.SubKeyCount()) return Fail(path, ERROR_CANTREAD);
    if (!values->empty() || (subKeys.empty() && !path.empty())) {
      if (caught.keys.size() == kMaxKeys) return Fail(path, ERROR_TOO_MANY_NAMES);
      games::Key copy{ImportedKeyName(root, path, control), {}};
      for (RegistryKey::Value& value : *values) {
        if (IsText(value.type) && own.In(TextOf(value.data)))
          caught.ownPathValues.push_back(L"[" + copy.name + L"] " + (value.name.empty() ? L"@" : L"\"" + value.name + L"\""));
        copy.values.push_back({std::move(value.name), value.type, std::move(value.data)});
      }
      caught.values += copy.values.size();
      caught.keys.push_back(std::move(copy));
    }
    for (const std::wstring& name : subKeys) {
      const std::wstring below = path.empty() ? name : path + L"\\" + name;
      const RegistryKey child = key.OpenSub(name, KEY_READ);
      if (!child.IsOpen()) return Fail(below, child.Status());
      if (!Read(child, below)) return false;
    }
    return true;
  }

  bool Fail(const std::wstring& path, LSTATUS error) {
    caught.error = error;
    caught.failedAt = ImportedKeyName(root, path, control);
    return false;
  }
};

std::wstring Two(int number) { return DecimalText(number, 2); }

}  // namespace

CaughtRegistration ReadScratch(const std::wstring& scratch, const std::wstring& head, Bitness control) {
  CaughtRegistration caught;
  const OwnPath own(head);
  for (ScratchRoot root : kScratchRoots) {
    const RegistryKey key = RegistryKey::Open(HKEY_CURRENT_USER, scratch + L"\\" + ScratchKeyName(root), KEY_READ);
    Reader reader{root, control, own, caught};
    if (!key.IsOpen() ? reader.Fail(L"", key.Status()) : !reader.Read(key, L"")) break;
  }
  return caught;
}

std::optional<std::wstring> ExportText(const CaughtRegistration& caught, const std::wstring& head, Bitness control,
                                       const SYSTEMTIME& when) {
  std::optional<std::wstring> text = games::Text(caught.keys);
  if (!text) return std::nullopt;
  const std::wstring bits = control == Bitness::k32 ? L"32-bit" : L"64-bit";
  std::wstring notes = L"\r\n; What " + head + L" registers, a " + bits + L" control: its DllRegisterServer, run on " +
                       DecimalText(when.wYear, 4) + L"-" + Two(when.wMonth) + L"-" + Two(when.wDay) + L" at " +
                       Two(when.wHour) + L":" + Two(when.wMinute) + L":" + Two(when.wSecond) +
                       L" with the registry kept out of its reach.\r\n"
                       L"; The keys are named as the 64-bit registry editor imports them on 64-bit Windows.\r\n";
  if (!caught.ownPathValues.empty()) {
    notes += L"; The control wrote its own path or folder into these values: a setup puts the installed file's there.\r\n";
    for (const std::wstring& value : caught.ownPathValues) notes += L";   " + value + L"\r\n";
  }
  if (caught.keys.empty()) notes += L"; The control wrote no keys.\r\n";
  // After the editor's first line, which has to come first.
  text->insert(text->find(L"\r\n") + 2, notes);
  return text;
}

DWORD WriteWholeFile(const std::wstring& path, const std::wstring& text) {
  const std::wstring partial = path + L"." + DecimalText(GetCurrentProcessId()) + L".partial";
  DWORD error = platform::WriteUtf16File(partial, text, CREATE_ALWAYS);
  if (error == ERROR_SUCCESS &&
      !MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = GetLastError();
  if (error != ERROR_SUCCESS) DeleteFileW(partial.c_str());
  return error;
}

}  // namespace registration
