#pragma once
// Shared by the registration tests: a loaded main window, test heads copied into the test's own
// folder, the panel's lines, and the registry keys that the well-behaved heads write.
#include <string>
#include <vector>


#include "TestEnv.h"

namespace regtest {

using Lines = std::vector<std::wstring>;

// A well-behaved test head and the keys its registration writes (paths as the heads write them).
struct GoodHead {
  std::string file;         // "chess.ocx"
  std::string name;         // Games list entry name
  std::string classId;      // 38-character braced class id
  std::string typeLibId;    // derived: characters 8-9 minus 3
  std::vector<std::string> familyKeys;  // HKCR paths of the second class, interfaces, type library
};
const GoodHead& Chess();
const GoodHead& Darts();
const GoodHead& Bowls();  // comhead.ocx: uses COM while it registers

std::string GamesEntry(const GoodHead& head);  // HKLM path of its Games list entry
// True when every key of the head's registration is present; false when none is. Fails the test
// when only some are there.
bool Registered(const GoodHead& head);
void RemoveKeys(const GoodHead& head);  // removes its keys directly, for a clean start

std::wstring W(const std::string& ansi);
bool ModuleLoaded(const std::string& path);

class RegistrationTest : public testenv::MainWindowTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A copy of the built head in this test's own folder.
  std::string Head(const std::string& file, const std::string& newName = "");
  std::vector<std::wstring> PanelLines();

  std::string dir_;
};

}  // namespace regtest
