#pragma once
// A main window over a Games list that each test plants in the real registry, with helpers to
// plant a head's registration family and its neighbours.
#include <set>
#include <string>
#include <vector>

#include "TestEnv.h"
#include "app/frmMain.h"

namespace gamestest {

inline const std::string kVendors = "Software\\CLASSES\\Software";
inline const std::string kList = kVendors + "\\Ubique\\VPgames32";
inline const std::string kLmInterface = "Software\\CLASSES\\Interface\\";
inline const std::string kLmTypeLib = "Software\\CLASSES\\TypeLib\\";

// The ids of one head as the tests expect them, written out in full.
struct Family {
  std::string classId, secondClassId, firstInterfaceId, secondInterfaceId, typeLibId;
};

bool EntryExists(const std::string& name);

// Every key of the trees a removal may touch (the Games list, CLSID, Interface and TypeLib), each
// as HKLM\... or HKCR\..., to tell by a before and an after what a removal deleted.
std::set<std::wstring> RemovalTrees();
std::set<std::wstring> Gone(const std::set<std::wstring>& before, const std::set<std::wstring>& after);
// The keys that are one of roots or below one of them.
std::set<std::wstring> Below(const std::set<std::wstring>& keys, const std::vector<std::wstring>& roots);

class GamesTest : public testenv::MainWindowTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  void AddEntry(const std::wstring& name, const std::string& classId);
  // A key outside the Games list; ForgetPlanted removes it again.
  void Plant(HKEY root, const std::string& path, const std::string& value = "planted");
  // The class's server path and, unless empty, its type library value.
  void RegisterClass(const std::string& classId, const std::string& server, const std::string& typeLib);
  // The other members of the family as a registration makes them, each pointing back to the head:
  // the second class's server, both interfaces' type library and the type library's win32 file.
  void PlantMembers(const Family& f, const std::string& server);
  // Keys that differ from the family's in other digits or sit in the other trees: none may go.
  void PlantNeighbours(const Family& f);
  void ExpectNeighboursSurvive() const;
  void ForgetPlanted();

  bool Listed(const std::wstring& name) const;
  // Selects an entry as the program would see it, without running the selection check.
  void Select(const std::wstring& name);
  // Selects an entry the way a click does: the list box reports the change to the window.
  void Click(const std::wstring& name);
  // Lets the window's first refresh tick pass, so that a later tick can only come from a request.
  void LetFirstTickPass();

  std::vector<std::pair<HKEY, std::string>> planted_, neighbours_;
};

}  // namespace gamestest
