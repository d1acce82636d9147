#include "GamesFixture.h"

#include "DialogAnswerer.h"
#include "app/AnsiText.h"
#include "app/Controls.h"

namespace gamestest {

void Planted::Key(HKEY root, const std::string& path, const std::string& value) {
  testenv::SetSz(root, path, "", value);
  keys_.push_back({root, path});
}

void Planted::Value(HKEY root, const std::string& path, const std::string& name, const std::string& value) {
  testenv::SetSz(root, path, name, value);
  keys_.push_back({root, path});
}

void Planted::Clean() {
  // Deepest first, so that a parent planted before its child also goes.
  for (auto it = keys_.rbegin(); it != keys_.rend(); ++it) testenv::DeleteTree(it->root, it->path);
  keys_.clear();
}

void GamesTest::SetUp() {
  testenv::DeleteTree(HKEY_LOCAL_MACHINE, kVendors + "\\Ubique");
  MainWindowTest::SetUp();
}

void GamesTest::TearDown() {
  MainWindowTest::TearDown();
  testenv::DeleteTree(HKEY_LOCAL_MACHINE, kVendors + "\\Ubique");
  ForgetPlanted();
}

void GamesTest::AddEntry(const std::string& name, const std::string& classId) {
  testenv::SetSz(HKEY_LOCAL_MACHINE, kList + "\\" + name, "", classId);
}

void GamesTest::RegisterClass(const std::string& classId, const std::string& server, const std::string& typeLib) {
  planted_.Key(HKEY_CLASSES_ROOT, "CLSID\\" + classId, "the head's class");
  planted_.Key(HKEY_CLASSES_ROOT, "CLSID\\" + classId + "\\InprocServer32", server);
  if (!typeLib.empty()) planted_.Key(HKEY_CLASSES_ROOT, "CLSID\\" + classId + "\\TypeLib", typeLib);
}

void GamesTest::PlantMembers(const Family& f) {
  planted_.Key(HKEY_CLASSES_ROOT, "CLSID\\" + f.secondClassId);
  planted_.Key(HKEY_LOCAL_MACHINE, "Software\\CLASSES\\Interface\\" + f.firstInterfaceId);
  planted_.Key(HKEY_LOCAL_MACHINE, "Software\\CLASSES\\Interface\\" + f.secondInterfaceId);
  planted_.Key(HKEY_LOCAL_MACHINE, "Software\\CLASSES\\TypeLib\\" + f.typeLibId);
}

namespace {

// The id with one more character changed: another digit of the same id.
std::string OtherDigit(std::string id, size_t at) {
  id[at] = id[at] == '7' ? '8' : '7';
  return id;
}

}  // namespace

void GamesTest::PlantNeighbours(const Family& f) {
  std::vector<std::string> ids;
  for (const std::string& id : {f.classId, f.secondClassId, f.firstInterfaceId, f.secondInterfaceId, f.typeLibId})
    for (size_t at : {1u, 6u, 10u, 36u}) ids.push_back(OtherDigit(id, at));
  const std::vector<std::pair<HKEY, std::string>> trees = {
      {HKEY_CLASSES_ROOT, "CLSID\\"},
      {HKEY_LOCAL_MACHINE, "Software\\CLASSES\\Interface\\"},
      {HKEY_LOCAL_MACHINE, "Software\\CLASSES\\TypeLib\\"},
  };
  for (const auto& [root, tree] : trees)
    for (const std::string& id : ids) neighbours_.push_back({root, tree + id});
  // Members under the trees they do not belong to.
  for (const std::string& id : {f.firstInterfaceId, f.secondInterfaceId, f.typeLibId})
    neighbours_.push_back({HKEY_CLASSES_ROOT, "CLSID\\" + id});
  for (const std::string& id : {f.classId, f.secondClassId, f.typeLibId})
    neighbours_.push_back({HKEY_LOCAL_MACHINE, "Software\\CLASSES\\Interface\\" + id});
  for (const std::string& id : {f.classId, f.secondClassId, f.firstInterfaceId, f.secondInterfaceId})
    neighbours_.push_back({HKEY_LOCAL_MACHINE, "Software\\CLASSES\\TypeLib\\" + id});
  // Another game of the list.
  AddEntry("Neighbour Game", OtherDigit(f.classId, 36));
  for (const auto& [root, path] : neighbours_) planted_.Key(root, path, "neighbour");
}

void GamesTest::ExpectNeighboursSurvive() const {
  for (const auto& [root, path] : neighbours_) EXPECT_TRUE(testenv::KeyExists(root, path)) << path;
  EXPECT_TRUE(EntryExists("Neighbour Game"));
  EXPECT_TRUE(testenv::KeyExists(HKEY_LOCAL_MACHINE, kList));
  for (const char* tree : {"CLSID", "Interface", "TypeLib"}) EXPECT_TRUE(testenv::KeyExists(HKEY_CLASSES_ROOT, tree));
}

void GamesTest::ForgetPlanted() {
  planted_.Clean();
  neighbours_.clear();
}

std::vector<std::wstring> GamesTest::ListNames() const {
  std::vector<std::wstring> names;
  for (int i = 0; i < form_->ListCount(); ++i) names.push_back(form_->ListItem(i));
  return names;
}

bool GamesTest::Listed(const std::wstring& name) const {
  return SendMessageW(form_->lstGames(), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                      reinterpret_cast<LPARAM>(name.c_str())) != LB_ERR;
}

void GamesTest::Select(const std::wstring& name) {
  const LRESULT index = SendMessageW(form_->lstGames(), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(name.c_str()));
  ASSERT_NE(index, LB_ERR) << "not listed";
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

bool EntryExists(const std::string& name) { return testenv::KeyExists(HKEY_LOCAL_MACHINE, kList + "\\" + name); }

}  // namespace gamestest
