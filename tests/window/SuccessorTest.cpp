// The released program and the instance restarted as administrator: who may hold the single-instance
// object and read the hand-off proof, giving way only to a successor that shows its window, and the
// folder for copies of removals that it is handed.
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "ProgramRunning.h"
#include "TestEnv.h"
#include "window/WindowLayout.h"
#include "registration/RegRules.h"
#include "shell/AssociatePrompt.h"

using namespace testenv;
using namespace programtest;
using namespace std::string_literals;

namespace {

std::string Sddl(HANDLE object) {
  char* text = nullptr;
  std::vector<BYTE> sd(4096);
  DWORD size = 0;
  const SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION | LABEL_SECURITY_INFORMATION;
  if (!GetKernelObjectSecurity(object, what, sd.data(), DWORD(sd.size()), &size) ||
      !ConvertSecurityDescriptorToStringSecurityDescriptorA(sd.data(), SDDL_REVISION_1, what, &text, nullptr))
    return "unreadable " + std::to_string(GetLastError());
  const std::string sddl = text;
  return LocalFree(text), sddl;
}

std::string UserSid() {
  HANDLE token = nullptr;
  BYTE user[256] = {};
  DWORD size = 0;
  char* sid = nullptr;
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
  GetTokenInformation(token, TokenUser, user, sizeof user, &size), CloseHandle(token);
  ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &sid);
  const std::string text = sid ? sid : "";
  return LocalFree(sid), text;
}

int MainWindows() {
  int count = 0;
  for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "VeskMainWindow", nullptr));) count += IsWindowVisible(w) ? 1 : 0;
  return count;
}

}  // namespace

// The single-instance object and the section with the hand-off proof: every interactive account of
// the session may hold the one and read the other (an instance restarted as administrator under
// another account), nothing more, and no process below medium integrity anything. A hand-off without
// the proof (from a process that may not read it) is refused, and the panel says so.
TEST(Program, HandOffsComeOnlyFromProcessesThatMayReadTheProof) {
  SuppressAssociatePrompt();
  Process first(kProgram);
  const HWND main = RunningWindow();
  ASSERT_TRUE(main);
  const HANDLE object = OpenMutexA(READ_CONTROL, FALSE, "Local\\VeskGameHeadInstaller.Instance");
  const HANDLE proof = OpenFileMappingA(READ_CONTROL, FALSE,
                                        ("Local\\VeskGameHeadInstaller.HandOff." + std::to_string(first.Id())).c_str());
  for (const auto& [handle, others] : {std::pair{object, "(A;;0x100001;;;IU)"}, {proof, "(A;;LC;;;IU)"}}) {
    const std::string sddl = Sddl(handle);  // LC: the section may be mapped for reading
    EXPECT_EQ(sddl.substr(0, sddl.find("S:")), "D:P(A;;GA;;;" + UserSid() + ")" + others);
    // Wine keeps no integrity label; Windows does.
    if (sddl.find("S:") != std::string::npos) EXPECT_TRUE(sddl.ends_with("S:(ML;;NWNRNX;;;ME)")) << sddl;
    CloseHandle(handle);
  }
  const std::string head = TestDir() + "planted.ocx";
  WriteFileBytes(head, "x");
  COPYDATASTRUCT cds{3, DWORD(head.size() + 1), const_cast<char*>(head.c_str())};
  DWORD_PTR result = 0;
  ASSERT_TRUE(SendMessageTimeoutA(main, WM_COPYDATA, 0, LPARAM(&cds), SMTO_NORMAL, 15000, &result));
  EXPECT_EQ(Text(main, kHeadFileBox), L"");
  EXPECT_TRUE(Text(main, kInfoPanel).ends_with(L"A path handed over by a program with lower rights was not taken.\r\n"));
  EXPECT_TRUE(SecondStartEnds(head));
  EXPECT_EQ(Text(main, kHeadFileBox), Wide(head)) << "a second start's hand-off carries the proof";
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(first.WaitExit(15000).has_value());
}

// A restart as administrator that is declined (here: finds no program to start) or whose new instance
// never shows its window leaves this instance the running one, holding the single-instance object:
// the next start hands over to it and opens no second window. The new instance is told the user's
// account and folder for the copies of removed keys.
TEST(Program, AnInstanceGivesWayOnlyToASuccessorThatShowsItsWindow) {
  SuppressAssociatePrompt();
  const std::string dir = TestDir(), program = CopyInto(ExeDir() + "VeskInstaller.exe", dir, "Vesk.exe");
  const std::string head = CopyInto(HeadPath("denied.ocx"), dir);
  Process app("\"" + program + "\" \"" + head + "\"", 0, true);
  DialogAnswerer boxes(app.Id());
  const HWND main = RunningWindow();
  ASSERT_TRUE(PumpUntil([&] { return Text(main, kHeadFileBox) == Wide(head); }, 10000));
  for (const bool starts : {false, true}) {
    CopyInto(ExeDir() + "VeskInstaller.exe", dir, "Vesk.exe");  // for the command's worker
    std::atomic<bool> asked = false;
    boxes.Handle([&](const BoxInfo& box) {  // "Restart as administrator?": Yes, once the program is away
      EXPECT_TRUE(MoveFileA(program.c_str(), (dir + "Vesk-" + std::to_string(starts) + ".exe").c_str()));
      if (starts) CopyInto(ExeDir() + "SuccessorStandIn.exe", dir, "Vesk.exe");
      return DialogAnswerer::Press(box.hwnd, IDYES), asked = true;
    });  // a box of the system's about the missing program is closed
    ClickButton(main, kRegisterButton);
    ASSERT_TRUE(PumpUntil([&] { return asked.load(); }, 20000));
    if (starts) EXPECT_TRUE(PumpUntil([&] { return !ReadFileBytes(program + ".args").empty(); }, 20000));
    PumpUntil([] { return false; }, 1500);  // the instance sees the failed start, or the stand-in's end
    EXPECT_TRUE(SecondStartEnds("")) << "starts: " << starts;
    EXPECT_EQ(MainWindows(), 1) << "starts: " << starts;
    EXPECT_TRUE(IsWindow(main) && !app.WaitExit(0)) << "the instance gave way to none";
  }
  char folder[MAX_PATH] = {};
  GetEnvironmentVariableA("LOCALAPPDATA", folder, MAX_PATH);
  const std::string args = ReadFileBytes(program + ".args");
  const std::string expected = "/vesk-successor " + UserSid() + " \"" + folder + "\\Vesk Installer\\Removed\\\" \"" + head + "\"";
  EXPECT_NE(args.find(expected + "\n"), std::string::npos) << args << "\n" << expected;
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(app.WaitExit(15000).has_value());
}


// An instance restarted as administrator writes the copies of removed keys into the folder the first
// instance handed it (the user's own, when the restart runs under another account; Wine keeps no
// folder security, so the opening of the folder to that user is not seen here).
TEST(Program, ASuccessorWritesRemovalCopiesIntoTheHandedFolder) {
  SuppressAssociatePrompt();
  const std::string dir = TestDir(), folder = dir + "Vesk Installer\\Removed\\";
  const std::string id = "{5E0B7C21-9A3D-4F16-8B2E-7C4D1A9E3F50}", list = "Software\\CLASSES\\Software\\Ubique\\VPgames32";
  SetSz(HKEY_LOCAL_MACHINE, list + "\\Gone Head", "", id);
  SetSz(HKEY_CLASSES_ROOT, "CLSID\\" + id + "\\InprocServer32", "", dir + "gone.ocx");
  Process app(kProgram + "/vesk-successor S-1-5-32-545 \"" + folder + "\"");
  DialogAnswerer boxes(app.Id());
  boxes.Answer(IDYES);
  const HWND main = RunningWindow(), games = GetDlgItem(main, kGamesList);
  ASSERT_TRUE(PumpUntil([&] { return ListCount(games) == 1; }, 10000));
  SendMessageW(games, LB_SETCURSEL, 0, 0);
  PostMessageW(main, WM_COMMAND, MAKEWPARAM(kGamesList, LBN_SELCHANGE), LPARAM(games));
  ASSERT_TRUE(PumpUntil([&] { return !KeyExists(HKEY_LOCAL_MACHINE, list + "\\Gone Head"); }, 20000));
  EXPECT_TRUE(boxes.Seen().at(0).text.starts_with(L"The current selection is no longer functioning properly."));
  EXPECT_NE(Text(main, kInfoPanel).find(Wide(folder) + L"Gone Head"), std::wstring::npos) << Text(main, kInfoPanel).c_str();
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(app.WaitExit(15000).has_value());
}

