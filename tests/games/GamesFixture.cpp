#include "GamesFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "DialogAnswerer.h"
#include "app/AnsiText.h"
#include "app/Controls.h"

namespace gamestest {

namespace {

void AddKeysBelow(HKEY root, const std::wstring& label, const std::wstring& path, std::set<std::wstring>& keys) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  keys.insert(label + path);
  std::vector<std::wstring> names;
  wchar_t name[256];
  for (DWORD i = 0, n = 256; RegEnumKeyExW(key, i, name, &n, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       ++i, n = 256)
    names.emplace_back(name, n);
  RegCloseKey(key);
  for (const std::wstring& sub : names) AddKeysBelow(root, label, path + L"\\" + sub, keys);
}

}  // namespace

std::set<std::wstring> RemovalTrees() {
  std::set<std::wstring> keys;
  AddKeysBelow(HKEY_LOCAL_MACHINE, L"HKLM\\", FromAnsi(kList), keys);
  for (const wchar_t* tree : {L"Software\\CLASSES\\Interface", L"Software\\CLASSES\\TypeLib"})
    AddKeysBelow(HKEY_LOCAL_MACHINE, L"HKLM\\", tree, keys);
  for (const wchar_t* tree : {L"CLSID", L"Interface"}) AddKeysBelow(HKEY_CLASSES_ROOT, L"HKCR\\", tree, keys);
  return keys;
}

std::set<std::wstring> Gone(const std::set<std::wstring>& before, const std::set<std::wstring>& after) {
  std::set<std::wstring> gone;
  std::ranges::set_difference(before, after, std::inserter(gone, gone.end()));
  return gone;
}

std::set<std::wstring> Below(const std::set<std::wstring>& keys, const std::vector<std::wstring>& roots) {
  std::set<std::wstring> below;
  for (const std::wstring& key : keys)
    for (const std::wstring& root : roots)
      if (key == root || key.starts_with(root + L"\\")) below.insert(key);
  return below;
}

bool EntryExists(const std::string& name) { return testenv::KeyExists(HKEY_LOCAL_MACHINE, kList + "\\" + name); }

void GamesTest::SetUp() {
  testenv::DeleteTree(HKEY_LOCAL_MACHINE, kVendors + "\\Ubique");
  MainWindowTest::SetUp();
}

void GamesTest::TearDown() {
  MainWindowTest::TearDown();
  testenv::DeleteTree(HKEY_LOCAL_MACHINE, kVendors + "\\Ubique");
  ForgetPlanted();
}

void GamesTest::AddEntry(const std::wstring& name, const std::string& classId) {
  HKEY key = nullptr;
  RegCreateKeyExW(HKEY_LOCAL_MACHINE, (FromAnsi(kList) + L"\\" + name).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                  &key, nullptr);
  RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(classId.c_str()),
                 static_cast<DWORD>(classId.size() + 1));
  RegCloseKey(key);
}

void GamesTest::Plant(HKEY root, const std::string& path, const std::string& value) {
  testenv::SetSz(root, path, "", value);
  planted_.push_back({root, path});
}

void GamesTest::RegisterClass(const std::string& classId, const std::string& server, const std::string& typeLib) {
  Plant(HKEY_CLASSES_ROOT, "CLSID\\" + classId, "the head's class");
  Plant(HKEY_CLASSES_ROOT, "CLSID\\" + classId + "\\InprocServer32", server);
  if (!typeLib.empty()) Plant(HKEY_CLASSES_ROOT, "CLSID\\" + classId + "\\TypeLib", typeLib);
}

void GamesTest::PlantMembers(const Family& f, const std::string& server) {
  // Each key before the one below it, so that ForgetPlanted takes the whole key.
  Plant(HKEY_CLASSES_ROOT, "CLSID\\" + f.secondClassId);
  Plant(HKEY_CLASSES_ROOT, "CLSID\\" + f.secondClassId + "\\InprocServer32", server);
  for (const std::string& id : {f.firstInterfaceId, f.secondInterfaceId}) {
    Plant(HKEY_LOCAL_MACHINE, kLmInterface + id);
    Plant(HKEY_LOCAL_MACHINE, kLmInterface + id + "\\TypeLib", f.typeLibId);
  }
  Plant(HKEY_LOCAL_MACHINE, kLmTypeLib + f.typeLibId);
  Plant(HKEY_LOCAL_MACHINE, kLmTypeLib + f.typeLibId + "\\1.0\\0\\win32", server);
}

void GamesTest::PlantNeighbours(const Family& f) {
  // The id with one more character changed: another digit of the same id.
  auto otherDigit = [](std::string id, size_t at) {
    id[at] = id[at] == '7' ? '8' : '7';
    return id;
  };
  const std::pair<HKEY, std::string> clsid{HKEY_CLASSES_ROOT, "CLSID\\"}, itf{HKEY_LOCAL_MACHINE, kLmInterface},
      lib{HKEY_LOCAL_MACHINE, kLmTypeLib};
  for (const std::string& id : {f.classId, f.secondClassId, f.firstInterfaceId, f.secondInterfaceId, f.typeLibId})
    for (size_t at : {1u, 6u, 10u, 36u})
      for (const auto& [root, tree] : {clsid, itf, lib}) neighbours_.push_back({root, tree + otherDigit(id, at)});
  // Members under the trees they do not belong to.
  for (const std::string& id : {f.firstInterfaceId, f.secondInterfaceId, f.typeLibId})
    neighbours_.push_back({clsid.first, clsid.second + id});
  for (const std::string& id : {f.classId, f.secondClassId, f.typeLibId})
    neighbours_.push_back({itf.first, itf.second + id});
  for (const std::string& id : {f.classId, f.secondClassId, f.firstInterfaceId, f.secondInterfaceId})
    neighbours_.push_back({lib.first, lib.second + id});
  AddEntry(L"Neighbour Game", otherDigit(f.classId, 36));  // another game of the list
  for (const auto& [root, path] : neighbours_) Plant(root, path, "neighbour");
}

void GamesTest::ExpectNeighboursSurvive() const {
  for (const auto& [root, path] : neighbours_) EXPECT_TRUE(testenv::KeyExists(root, path)) << path;
  EXPECT_TRUE(EntryExists("Neighbour Game"));
  EXPECT_TRUE(testenv::KeyExists(HKEY_LOCAL_MACHINE, kList));
  for (const char* tree : {"CLSID", "Interface", "TypeLib"}) EXPECT_TRUE(testenv::KeyExists(HKEY_CLASSES_ROOT, tree));
}

void GamesTest::ForgetPlanted() {
  // Deepest first, so that a parent planted before its child also goes.
  for (auto it = planted_.rbegin(); it != planted_.rend(); ++it) testenv::DeleteTree(it->first, it->second);
  planted_.clear();
  neighbours_.clear();
}

bool GamesTest::Listed(const std::wstring& name) const {
  return SendMessageW(form_->lstGames(), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                      reinterpret_cast<LPARAM>(name.c_str())) != LB_ERR;
}

void GamesTest::Select(const std::wstring& name) {
  ASSERT_TRUE(Listed(name));
  const LRESULT index = SendMessageW(form_->lstGames(), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(name.c_str()));
  SendMessageW(form_->lstGames(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void GamesTest::Click(const std::wstring& name) {
  Select(name);
  SendMessageW(form_->hWnd(), WM_COMMAND, MAKEWPARAM(IDC_lstGames, LBN_SELCHANGE),
               reinterpret_cast<LPARAM>(form_->lstGames()));
}

void GamesTest::LetFirstTickPass() {
  ASSERT_TRUE(PumpUntil([&] { return !form_->Timer1Enabled(); }, 3000)) << "the refresh timer never ticked";
}

}  // namespace gamestest
