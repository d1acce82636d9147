#pragma once
// Shared by the registration tests: a loaded main window, test heads copied into the test's own
// folder, the panel's lines, message box checks, and the registry keys the well-behaved heads write.
#include <optional>
#include <string>
#include <vector>

#include "TestEnv.h"
#include "app/AnsiText.h"
#include "app/frmMain.h"

namespace regtest {

using Lines = std::vector<std::wstring>;

// A well-behaved test head and the HKCR keys its registration writes (paths as the heads write them):
// its class, and the second class, interfaces and type library derived from the class id.
struct GoodHead {
  std::string file, name, classId, typeLibId;  // typeLibId: characters 8-9 minus 3
  std::vector<std::string> keys;
};
const GoodHead& Chess();
const GoodHead& Darts();
const GoodHead& Bowls();  // comhead.ocx: uses COM while it registers

std::string GamesEntry(const GoodHead& head);  // HKLM path of its Games list entry
std::optional<std::string> ServerPath(const GoodHead& head);  // the file its InprocServer32 key names
// True when every key of the head's registration is present; false when none is. Fails the test
// when only some are there.
bool Registered(const GoodHead& head);

Lines SplitLines(const std::wstring& text);  // lines ended by CR LF; a last one without is marked
inline std::wstring W(const std::string& ansi) { return FromAnsi(ansi); }
inline bool ModuleLoaded(const std::string& path) { return GetModuleHandleA(path.c_str()) != nullptr; }

class RegistrationTest : public testenv::MainWindowTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A copy of the built head in this test's own folder.
  std::string Head(const std::string& file, const std::string& newName = "");
  Lines PanelLines() { return SplitLines(Form().PanelText()); }
  void Click(bool unregister) { unregister ? Form().Image3_Click() : Form().Image2_Click(); }
  void ExpectBox(size_t index, const std::wstring& caption, const std::wstring& text, BoxIcon icon,
                 const std::vector<int>& buttons = {IDOK});

  std::string dir_;
};

}  // namespace regtest
