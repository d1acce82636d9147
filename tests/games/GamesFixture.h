#pragma once
// What the tests of the Games list and its removals share: keys set and read on the real registry,
// snapshots of the classes to compare a before and an after, and a fixture with a running window.
#include <algorithm>
#include <iterator>
#include <map>
#include <atomic>
#include <set>
#include <sstream>

#include "TestEnv.h"
#include "platform/AnsiText.h"
#include "window/WindowLayout.h"
#include "window/MainWindow.h"
#include "games/GameIds.h"
#include "games/GamesList.h"
#include "window/GamesWindow.h"
#include "games/BrokenEntries.h"
#include "games/Removal.h"
#include "platform/RegistryKey.h"


namespace gamestest {

const HKEY LM = HKEY_LOCAL_MACHINE, CR = HKEY_CLASSES_ROOT;
const std::string kList = ToAnsi(games::kListKey), kClasses = "Software\\CLASSES\\";
constexpr REGSAM kOtherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

// Sets a key's default value, making the key relative to its parent (a long name's whole path could
// be too long); false when the key is refused.
inline bool SetKey(HKEY root, const std::wstring& parent, const std::wstring& name, DWORD type, const std::wstring& value,
            REGSAM view = 0) {
  HKEY key = nullptr, sub = nullptr;
  RegCreateKeyExW(root, parent.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr);
  const bool made = !RegCreateKeyExW(key, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &sub, nullptr);
  RegSetValueExW(sub, nullptr, 0, type, reinterpret_cast<const BYTE*>(value.c_str()), (value.size() + 1) * 2);
  RegCloseKey(sub);
  RegCloseKey(key);
  return made;
}

// The keys directly below the trees a removal may touch, as HKLM\... or HKCR\..., to tell by a before
// and an after what it deleted.
inline std::set<std::wstring> RemovalTrees() {
  std::set<std::wstring> keys;
  const std::pair<HKEY, std::wstring> trees[] = {
      {LM, FromAnsi(kList)}, {LM, FromAnsi(kClasses + "TypeLib")}, {CR, L"CLSID"}, {CR, L"Interface"}};
  for (const auto& [root, tree] : trees) {
    HKEY key = nullptr;
    RegOpenKeyExW(root, tree.c_str(), 0, KEY_READ, &key);
    wchar_t name[256];
    for (DWORD i = 0, n = 256; RegEnumKeyExW(key, i, name, &n, nullptr, nullptr, nullptr, nullptr) == 0; ++i, n = 256)
      keys.insert((root == LM ? L"HKLM\\" : L"HKCR\\") + tree + L"\\" + std::wstring(name, n));
    RegCloseKey(key);
  }
  return keys;
}

// Every key and value of the machine's and the user's classes: key -> "", key NUL name -> type: bytes.
using Snapshot = std::map<std::wstring, std::string>;
inline void Snap(HKEY key, const std::wstring& path, Snapshot& out, REGSAM view = 0) {
  static std::wstring name(16384, L'\0');
  static std::string data(1 << 20, '\0');
  out[path];
  for (DWORD i = 0, n = 16384, size = 1 << 20, type = 0;
       !RegEnumValueW(key, i, name.data(), &n, nullptr, &type, LPBYTE(data.data()), &size); ++i, n = 16384, size = 1 << 20)
    out[path + L'\0' + name.substr(0, n)] = std::to_string(type) + ":" + data.substr(0, size);
  for (DWORD i = 0, n = 256; !RegEnumKeyExW(key, i, name.data(), &n, nullptr, nullptr, nullptr, nullptr); ++i, n = 256) {
    const std::wstring sub = name.substr(0, n);
    HKEY subKey = nullptr;
    RegOpenKeyExW(key, sub.c_str(), 0, KEY_READ | view, &subKey);
    Snap(subKey, path + L"\\" + sub, out, view);
    RegCloseKey(subKey);
  }
}
inline Snapshot Classes() {
  Snapshot all;
  for (REGSAM view : {REGSAM(0), kOtherView})
    for (HKEY root : {LM, HKEY_CURRENT_USER}) {
      HKEY key = nullptr;
      RegOpenKeyExW(root, L"Software\\Classes", 0, KEY_READ | view, &key);
      Snap(key, std::wstring(view ? L"other " : L"") + (root == LM ? L"HKLM" : L"HKCU"), all, view);
      RegCloseKey(key);
    }
  return all;
}

// The snapshot without the keys below any of prefixes (and their values).
inline Snapshot Without(Snapshot snapshot, const std::vector<std::wstring>& prefixes) {
  std::erase_if(snapshot, [&](const auto& item) {
    const auto starts = [&](const std::wstring& p) {  // key names in any letter case
      return item.first.size() >= p.size() && _wcsnicmp(item.first.c_str(), p.c_str(), p.size()) == 0;
    };
    return std::ranges::any_of(prefixes, [&](const std::wstring& p) {
      return !p.empty() && (_wcsicmp(item.first.c_str(), p.c_str()) == 0 || starts(p + L"\\") || starts(p + L'\0'));
    });
  });
  return snapshot;
}

// The files the panel names, each on a line of its own.
inline std::vector<std::string> Copies(const std::wstring& text) {
  std::vector<std::string> copies;
  std::wstringstream panel(text);
  for (std::wstring line; std::getline(panel, line, L'\n');)
    if (line.ends_with(L".reg\r") || line.ends_with(L".reg")) copies.push_back(ToAnsi(line.substr(0, line.find(L'\r'))));
  return copies;
}

// Imports the file as a user's double-click does: the 64-bit registry editor of the Windows folder,
// started by a 64-bit process (the 64-bit shell; a 32-bit program under Wine would get the 32-bit one).
inline DWORD Import(const std::string& file) {
  const std::string editor = "C:\\windows\\regedit.exe /s \"" + file + "\"";
  return testenv::Process(sizeof(void*) == 8 ? editor : "C:\\windows\\sysnative\\cmd.exe /c " + editor).WaitExit(30000).value_or(1);
}

class GamesTest : public testenv::MainWindowTest {
 protected:
  void SetUp() override {
    testenv::DeleteTree(LM, kClasses + "Software\\Ubique");
    MainWindowTest::SetUp();
  }
  void AddEntry(const std::wstring& name, const std::string& id) { SetKey(LM, FromAnsi(kList), name, REG_SZ, FromAnsi(id)); }
  bool Select(const std::wstring& name) {
    return SendMessageW(Window().GamesList(), LB_SELECTSTRING, -1, reinterpret_cast<LPARAM>(name.c_str())) != LB_ERR;
  }
  // Selects an entry the way a click does: the list box reports the change to the window.
  void Click(const std::wstring& name) {
    ASSERT_TRUE(Select(name)) << ToAnsi(name);
    SendMessageW(Window().hWnd(), WM_COMMAND, MAKEWPARAM(kGamesList, LBN_SELCHANGE), LPARAM(Window().GamesList()));
  }
  // The removal of an entry with no class id, its outcome shown as the window shows it.
  ExitCode Remove(const std::wstring& name) {
    const Outcome outcome = games::RemoveEntry({name, L"{0}", L""});
    window::ShowRemoval(Window(), outcome, L"Removing \"" + name + L"\" needs administrator rights.");
    return outcome.exitCode;
  }
  const std::string dir_ = testenv::TestDir();
};

}  // namespace gamestest
