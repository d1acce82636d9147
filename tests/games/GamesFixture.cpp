#include "GamesFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>

#include "DialogAnswerer.h"
#include "app/Controls.h"

namespace gamestest {

namespace {

using DeleteFn = LSTATUS(WINAPI*)(HKEY, LPCSTR);

std::vector<LoggedDelete> g_entries;
DeleteFn g_original = nullptr;

LSTATUS WINAPI RecordingDelete(HKEY root, LPCSTR path) {
  g_entries.push_back({root, path ? path : ""});
  return g_original(root, path);
}

// The import address slot of function from dll in this program's import table.
void** ImportSlot(const char* dll, const char* function) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
  const auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name; ++imp) {
    if (_stricmp(reinterpret_cast<char*>(base + imp->Name), dll) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
        return reinterpret_cast<void**>(&slots->u1.Function);
    }
  }
  return nullptr;
}

void WriteSlot(void** slot, void* value) {
  DWORD old = 0;
  VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
  *slot = value;
  VirtualProtect(slot, sizeof *slot, old, &old);
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const LoggedDelete& d) {
  return out << (d.root == HKEY_CLASSES_ROOT ? "HKCR\\" : d.root == HKEY_LOCAL_MACHINE ? "HKLM\\" : "?\\") << d.path;
}

DeleteLog::DeleteLog() {
  g_entries.clear();
  void** slot = ImportSlot("advapi32.dll", "RegDeleteKeyA");
  if (!slot) {
    ADD_FAILURE() << "RegDeleteKeyA is not imported by this program";
    return;
  }
  g_original = reinterpret_cast<DeleteFn>(*slot);
  WriteSlot(slot, reinterpret_cast<void*>(&RecordingDelete));
}

DeleteLog::~DeleteLog() {
  if (void** slot = ImportSlot("advapi32.dll", "RegDeleteKeyA"); slot && g_original)
    WriteSlot(slot, reinterpret_cast<void*>(g_original));
}

const std::vector<LoggedDelete>& DeleteLog::Entries() const { return g_entries; }

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

void GamesTest::AddEntry(const std::string& name, const std::string& classId) {
  testenv::SetSz(HKEY_LOCAL_MACHINE, kList + "\\" + name, "", classId);
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

void GamesTest::PlantMembers(const Family& f) {
  Plant(HKEY_CLASSES_ROOT, "CLSID\\" + f.secondClassId);
  Plant(HKEY_LOCAL_MACHINE, kLmInterface + f.firstInterfaceId);
  Plant(HKEY_LOCAL_MACHINE, kLmInterface + f.secondInterfaceId);
  Plant(HKEY_LOCAL_MACHINE, kLmTypeLib + f.typeLibId);
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
  AddEntry("Neighbour Game", otherDigit(f.classId, 36));  // another game of the list
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
