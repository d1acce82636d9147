#pragma once
// A main window over a Games list that each test plants in the real registry, with helpers to
// plant a head's registration family and its neighbours.
#include <string>
#include <vector>

#include "TestEnv.h"
#include "app/frmMain.h"

namespace gamestest {

inline const std::string kVendors = "Software\\CLASSES\\Software";
inline const std::string kList = kVendors + "\\Ubique\\VPgames32";

// The ids of one head as the tests expect them, written out in full.
struct Family {
  std::string classId, secondClassId, firstInterfaceId, secondInterfaceId, typeLibId;
};

// Remembers every key a test plants outside the Games list, so that the next test starts clean.
class Planted {
 public:
  void Key(HKEY root, const std::string& path, const std::string& value = "planted");
  void Value(HKEY root, const std::string& path, const std::string& name, const std::string& value);
  void Clean();

 private:
  struct Entry {
    HKEY root;
    std::string path;
  };
  std::vector<Entry> keys_;
};

class GamesTest : public testenv::MainWindowTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  void AddEntry(const std::string& name, const std::string& classId);
  // The class's server path and, unless empty, its type library value.
  void RegisterClass(const std::string& classId, const std::string& server, const std::string& typeLib);
  // The other members of the family: second class, both interfaces and the type library.
  void PlantMembers(const Family& f);
  // Keys that differ from the family's in other digits or sit in the other trees: none may go.
  void PlantNeighbours(const Family& f);
  void ExpectNeighboursSurvive() const;
  // Removes what was planted so far, neighbours included.
  void ForgetPlanted();

  std::vector<std::wstring> ListNames() const;
  bool Listed(const std::wstring& name) const;
  // Selects an entry as the program would see it, without running the selection check.
  void Select(const std::wstring& name);
  // Selects an entry the way a click does: the list box reports the change to the window.
  void Click(const std::wstring& name);
  // Lets the window's first refresh tick pass, so that a later tick can only come from a request.
  void LetFirstTickPass();

  Planted planted_;
  std::vector<std::pair<HKEY, std::string>> neighbours_;
};

bool EntryExists(const std::string& name);

}  // namespace gamestest
