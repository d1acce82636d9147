#pragma once
// What the tests of registering share: the panel's texts, the test heads' keys, and a fixture with a
// running main window that runs heads through its worker and drops files on it.
#include <atomic>
#include <cstring>
#include <sstream>
#include <thread>

#include "TestEnv.h"
#include "TestImages.h"
#include "platform/AnsiText.h"
#include "window/WindowLayout.h"
#include "window/PictureBox.h"
#include "window/MainWindow.h"
#include "window/Startup.h"
#include "games/GameIds.h"
#include "registration/DllSearch.h"
#include "registration/EntryWorker.h"
#include "window/HeadCommands.h"
#include "registration/RegRules.h"

#include <shlobj.h>

namespace regtest {

const std::wstring kOk = L"Process Successful.", kLoad = L"Failure loading control OCX/DLL";
const std::wstring kCheck = L"Checking File...", kReg = L"Attempting to register file...";
const std::wstring kUnreg = L"Attempting to unregister file...";
inline std::wstring Ended(const std::wstring& how) { return L"Process failed: the control ended the worker (" + how + L")."; }
const std::string kChess = "{1E5A294C-7B3D-4C11-9A2E-6F01C3D5B7A1}", kBowls = "{3F7C8A80-1D26-4B95-8E3A-C45F0B7D2E19}";


inline std::wstring ServerPath(const std::string& classId) {
  wchar_t path[1024] = {};
  LONG size = sizeof path;
  RegQueryValueW(HKEY_CLASSES_ROOT, FromAnsi("CLSID\\" + classId + "\\InprocServer32").c_str(), path, &size);
  return path;
}

// True when every key of a good head's registration is there, false when none is; some alone fail the test.
inline bool Registered(const std::string& classId = kChess, const std::string& entry = "Chess") {
  auto member = [&](int offset) { return ToAnsi(*games::FamilyMember(FromAnsi(classId), offset)); };
  const std::string keys[] = {"Software\\Ubique\\VPgames32\\" + entry, "CLSID\\" + classId + "\\TypeLib",
                              "CLSID\\" + member(1) + "\\InprocServer32", "Interface\\" + member(-1),
                              "Interface\\" + member(-2), "TypeLib\\" + member(-3)};
  size_t present = 0;
  for (const std::string& key : keys) present += testenv::KeyExists(HKEY_CLASSES_ROOT, key);
  EXPECT_TRUE(present == 0 || present == std::size(keys)) << entry << ": " << present << " keys";
  return present > 0;
}

class RegistrationTest : public testenv::MainWindowTest {
 protected:
  std::string Copy(const std::string& file, const std::string& as = "") {
    return testenv::CopyInto(testenv::HeadPath(file), dir_, as);
  }
  // The worker on an empty panel: what it wrote there.
  std::wstring Run(const std::string& path, const std::wstring& letter) {
    Window().SetPanelText(L"");
    Window().Registrar().Run(FromAnsi(path), letter);
    EXPECT_FALSE(Window().BusyPointer());
    return Window().PanelText();
  }
  std::wstring Command(const std::wstring& box, bool unregister) {
    Window().SetHeadFileText(box);
    (unregister ? window::UnregisterHead : window::RegisterHead)(Window(), Window().Registrar());
    EXPECT_TRUE(Window().RefreshPending()) << "the Games list is to be reloaded";
    Window().OnRefreshTimer();
    return Window().PanelText();
  }
  bool LateLine(const std::string& file) {
    const std::wstring line = registration::LateOutcomeLine(FromAnsi(file), {kOk});
    return PumpUntil([&] { return Window().PanelText().find(line) != std::wstring::npos; }, 5000);
  }
  // Drops files onto a control as the shell does: DROPFILES and ANSI names, double-NUL ended.
  void DropOn(HWND control, const std::vector<std::string>& files) {
    const DROPFILES header{sizeof(DROPFILES)};
    std::string block(reinterpret_cast<const char*>(&header), sizeof header);
    for (const std::string& file : files) block += file + '\0';
    HGLOBAL memory = GlobalAlloc(GMEM_FIXED, block.size() + 1);  // its own zero ends the list
    SendMessageW(control, WM_DROPFILES, WPARAM(std::memcpy(memory, block.c_str(), block.size() + 1)), 0);
  }
  const std::string dir_ = testenv::TestDir();
};

}  // namespace regtest
