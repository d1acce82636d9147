// The released program started as processes (its test build where a test needs the trace of the head
// paths it takes): the single instance and its hand-off, a start with the user's ordinary rights and
// the commands that load system DLLs on first use, all seen from outside.
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "TestEnv.h"
#include "window/WindowLayout.h"
#include "registration/RegRules.h"
#include "shell/AssociatePrompt.h"

using namespace testenv;
using namespace std::string_literals;

namespace {

const std::string kProgram = "\"" + ExeDir() + "VeskInstaller.exe\" ";
const std::string kTracingProgram = "\"" + ExeDir() + "VeskInstallerTesting.exe\" ";

std::wstring Wide(const std::string& utf8) { return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())); }

HWND RunningWindow() {
  HWND main = nullptr;
  PumpUntil([&] { return (main = FindWindowA("VeskMainWindow", nullptr)) && IsWindowVisible(main); }, 30000);
  return main;
}

std::wstring Text(HWND main, int id) {
  wchar_t text[4096] = {};
  return GetDlgItemTextW(main, id, text, 4096), text;
}

void Click(HWND hwnd, int x, int y) {  // at a point of the window's client area
  PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void ClickButton(HWND main, int id) { Click(GetDlgItem(main, id), 5, 5); }

// A second start with no window to hand over to waits 30 s for one to appear before it gives up.
bool SecondStartEnds(const std::string& arguments, DWORD limitMs = 30000) {
  return Process(kProgram + arguments).WaitExit(limitMs) == 0u;
}

}  // namespace

TEST(Program, SecondStartsHandTheirPathOverAndEnd) {
  SuppressAssociatePrompt();
  Process first(kProgram);
  const HWND main = RunningWindow();
  ASSERT_TRUE(main);

  const std::string dir = TestDir(), cyrillic = dir + "\xD1\x88\xD0\xB0\xD1\x85\xD0\xBC\xD0\xB0\xD1\x82\xD1\x8B.ocx";
  for (const std::string& file : {dir + "Chess Head.ocx", dir + "b.ocx", cyrillic})
    std::ofstream(std::filesystem::path(Wide(file))) << "x";
  char shortPath[MAX_PATH] = {};
  GetShortPathNameA((dir + "Chess Head.ocx").c_str(), shortPath, MAX_PATH);
  const std::pair<std::string, std::string> starts[] = {
      {shortPath, dir + "Chess Head.ocx"}, {"\"" + dir + "b.ocx\" extra", dir + "b.ocx"}, {cyrillic, cyrillic},
      {"\"", cyrillic} /* no path: the box stays */, {dir + "missing.ocx", ""}};
  for (const auto& [arguments, box] : starts) {
    ShowWindow(main, SW_MINIMIZE);
    ASSERT_TRUE(SecondStartEnds(arguments)) << arguments;
    EXPECT_EQ(Text(main, kHeadFileBox), Wide(box)) << arguments;
    EXPECT_FALSE(IsIconic(main)) << "a hand-off restores the window";
  }
  // Typed text in any script reaches the box through the program's message loop.
  const HWND box = GetDlgItem(main, kHeadFileBox);
  PostMessageW(box, EM_SETSEL, 0, -1);
  for (const wchar_t typed : std::wstring(L"\u0448\u4E2D\u00E9")) PostMessageW(box, WM_CHAR, typed, 1);
  EXPECT_TRUE(PumpUntil([&] { return Text(main, kHeadFileBox) == L"\u0448\u4E2D\u00E9"; }, 5000))
      << Text(main, kHeadFileBox).size();

  // The window comes to the front, not to stay on top.
  HWND other = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(other);
  ASSERT_TRUE(SecondStartEnds(""));
  // The instance comes forward on its own thread's time: the foreground may pass through none first.
  EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == main; }, 5000)) << GetForegroundWindow();
  EXPECT_FALSE(GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_TOPMOST);
  DestroyWindow(other);
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(first.WaitExit(15000).has_value()) << "closing the window ends the process";
  // An instance whose single-instance object refuses this user (elevated, on Windows) still runs.
  SECURITY_ATTRIBUTES refused{sizeof refused};
  ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(D;;GA;;;WD)", 1, &refused.lpSecurityDescriptor, nullptr);
  const HANDLE object = CreateMutexW(&refused, FALSE, L"Local\\VeskGameHeadInstaller.Instance");
  EXPECT_TRUE(SecondStartEnds("", 45000) && !FindWindowA("VeskMainWindow", nullptr)) << "a second window opened";
  CloseHandle(object), LocalFree(refused.lpSecurityDescriptor);
}

// A path handed over while the start-up question is open is kept for after it, and not cleared by
// the start's own empty command line, then or later; the window stays hidden until the question is
// answered.
TEST(Program, APathHandedOverDuringTheStartUpQuestionIsTaken) {
  DeleteTree(HKEY_CURRENT_USER, "Software\\VB and VBA Program Settings\\VeskOCXInstall");
  const std::string head = TestDir() + "a.ocx", trace = TestDir() + "taken.trace";
  WriteFileBytes(head, "x");
  SetEnvironmentVariableA("VESK_HEAD_PATH_TRACE", trace.c_str());
  Process first(kTracingProgram);
  SetEnvironmentVariableA("VESK_HEAD_PATH_TRACE", nullptr);
  DialogAnswerer boxes(first.Id());
  std::atomic<HWND> question = nullptr;
  boxes.Handle([&](const BoxInfo& box) { return question = box.hwnd, true; });  // answered below
  ASSERT_TRUE(PumpUntil([&] { return question != nullptr; }, 30000));
  EXPECT_TRUE(SecondStartEnds(head));
  const HWND main = FindWindowA("VeskMainWindow", nullptr);
  EXPECT_FALSE(IsWindowVisible(main)) << "shown behind the question";
  DialogAnswerer::Press(question, shell::kNoButton);
  EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(main) && Text(main, kHeadFileBox) == Wide(head); }, 10000));
  // Every path the window takes goes into the trace: the hand-off's, and no empty one after it.
  PumpUntil([] { return false; }, 1500);
  EXPECT_EQ(ReadFileBytes(trace), head + "\r\n");
  EXPECT_EQ(Text(main, kHeadFileBox), Wide(head));
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(first.WaitExit(15000).has_value());
}

// Without a mouse: Tab goes from the head file box to Open, Register, Unregister, the Games list and
// round, Shift+Tab back; Space on Register registers the head, Enter on Unregister unregisters it;
// Shift+F10 on the list opens the Settings menu; the buttons carry their names.
TEST(Program, TheKeyboardAloneRegistersAHead) {
  SuppressAssociatePrompt();
  const std::string head = CopyInto(HeadPath("chess.ocx"), TestDir());
  Process app(kProgram + "\"" + head + "\"");
  const HWND main = RunningWindow();
  ASSERT_TRUE(PumpUntil([&] { return Text(main, kHeadFileBox) == Wide(head); }, 10000));
  SetForegroundWindow(main);
  const auto focus = [&] {
    GUITHREADINFO gui{sizeof gui};
    GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &gui);
    return GetDlgCtrlID(gui.hwndFocus);
  };
  const auto menuShows = [] { return IsWindowVisible(FindWindowW(L"#32768", nullptr)); };
  const WORD tab = VK_TAB, shift = VK_SHIFT;
  const std::wstring ok = L"Process Successful.\r\n";
  const struct { std::vector<WORD> keys; int focus; std::function<bool()> then; } steps[] = {
      {{tab}, kBrowseButton}, {{tab}, kRegisterButton}, {{tab}, kUnregisterButton}, {{tab}, kGamesList},
      {{shift, VK_F10}, kGamesList, menuShows}, {{VK_ESCAPE}, kGamesList, [&] { return !menuShows(); }},
      {{tab}, kHeadFileBox}, {{shift, tab}, kGamesList}, {{shift, tab}, kUnregisterButton},
      {{shift, tab}, kRegisterButton},
      {{VK_SPACE}, kRegisterButton, [&] { return Text(main, kInfoPanel).find(ok) != std::wstring::npos; }},
      {{tab}, kUnregisterButton}, {{VK_RETURN}, kUnregisterButton, [&] {
         const std::wstring panel = Text(main, kInfoPanel);
         return panel.find(L"unregister") != std::wstring::npos && panel.find(ok) != std::wstring::npos;
       }}};
  for (const auto& step : steps) {
    Type({step.keys});
    EXPECT_TRUE(PumpUntil([&] { return focus() == step.focus && (!step.then || step.then()); }, 15000))
        << "after key " << step.keys.back() << " the focus is on " << focus() << " expected " << step.focus;
  }
  for (const auto& [id, name] : {std::pair{kBrowseButton, L"Open"}, {kRegisterButton, L"Register"},
                                 {kUnregisterButton, L"Unregister"}, {kCloseMark, L"Close"}, {kMinimiseMark, L"Minimize"}})
    EXPECT_EQ(Text(main, id), name);
  PostMessageW(main, WM_CLOSE, 0, 0);
}

// Thirty-two starts at once with none running: one becomes the instance, each other one hands its
// path over, also those that come before the instance's window is there.
TEST(Program, SimultaneousStartsAreEachHandledExactlyOnce) {
  SuppressAssociatePrompt();
  const std::string dir = TestDir(), trace = dir + "addcall.trace";
  std::map<std::string, int> expected;
  std::vector<std::unique_ptr<Process>> starts;
  SetEnvironmentVariableA("VESK_HEAD_PATH_TRACE", trace.c_str());  // inherited by the starts
  for (int i = 0; i < 32; ++i) {
    const std::string path = dir + "head" + std::to_string(i) + ".ocx";
    WriteFileBytes(path, "x");
    expected[path] = 1;
    starts.push_back(std::make_unique<Process>(kTracingProgram + path, CREATE_SUSPENDED));
  }
  for (const auto& start : starts) start->Resume();  // all at the same moment
  DWORD instance = 0;
  GetWindowThreadProcessId(RunningWindow(), &instance);
  const ULONGLONG end = GetTickCount64() + 120000;  // for all of them
  for (const auto& start : starts)
    if (start->Id() != instance) EXPECT_EQ(start->WaitExit(DWORD(end - std::min(end, GetTickCount64()))), 0u);
  auto handled = [&] {  // the trace has a line per path the window took into the box
    std::map<std::string, int> paths;
    const std::string lines = ReadFileBytes(trace);
    for (size_t at = 0, stop; at < lines.size(); at = stop + 2)
      if ((stop = std::min(lines.find("\r\n", at), lines.size())) > at) ++paths[lines.substr(at, stop - at)];
    return paths;
  };
  PumpUntil([&] { return handled() == expected; }, 10000);  // hand-offs that came during the load come after it
  EXPECT_EQ(handled(), expected);
  PostMessageW(RunningWindow(), WM_CLOSE, 0, 0);
}

// Started with the user's ordinary rights, a head that needs an administrator's says so and offers a
// restart as administrator: No changes nothing. Yes first asks about a head still running past its
// limit, as Close does, and No there changes nothing either; else the program starts elevated with the
// head and without the start-up question again, and this one ends once that one's window shows.
TEST(Program, RefusedForRightsOffersARestartAsAdministrator) {
  SuppressAssociatePrompt();
  const std::string dir = TestDir(), head = CopyInto(HeadPath("denied.ocx"), dir), late = CopyInto(HeadPath("askbox.ocx"), dir);
  const std::wstring rights = L"The control needs administrator rights to register itself.";
  Process app(kProgram + "\"" + late + "\"", 0, true);
  DialogAnswerer boxes(app.Id());
  const HWND main = RunningWindow();
  ASSERT_TRUE(PumpUntil([&] { return Text(main, kHeadFileBox) == Wide(late); }, 10000));
  ClickButton(main, kRegisterButton);  // its question stays unanswered
  ASSERT_TRUE(PumpUntil([&] { return Text(main, kInfoPanel).ends_with(registration::kTimeOutLine + L"\r\n"s); }, 20000));
  DeleteTree(HKEY_CURRENT_USER, "Software\\VB and VBA Program Settings\\VeskOCXInstall");
  ASSERT_TRUE(SecondStartEnds(head));
  for (const std::vector<int>& answers : {std::vector{IDNO}, {IDYES, IDNO}, {IDYES, IDYES}}) {
    const size_t before = boxes.SeenCount();
    for (const int answer : answers) boxes.Answer(answer);
    ClickButton(main, kRegisterButton);
    ASSERT_TRUE(PumpUntil([&] { return boxes.SeenCount() == before + answers.size(); }, 20000));
    EXPECT_TRUE(boxes.Seen()[before].text.starts_with(rights)) << std::filesystem::path(boxes.Seen()[before].text);
    EXPECT_TRUE(boxes.Seen()[before].text.ends_with(L"Restart as administrator?"));
    if (answers.size() == 2) EXPECT_EQ(boxes.Seen().back().text, L"\"askbox.ocx\" is still registering. End it and close?");
    const std::wstring panel = Text(main, kInfoPanel);
    EXPECT_TRUE(panel.find(L"status 0x80070005") < panel.find(rights) && panel.ends_with(rights + L"\r\n"));
    if (answers.back() == IDNO) EXPECT_TRUE(SecondStartEnds("")) << "still the running instance";
  }
  EXPECT_TRUE(app.WaitExit(20000).has_value()) << "ends once the elevated one has started";
  const HWND elevated = RunningWindow();
  EXPECT_TRUE(PumpUntil([&] { return Text(elevated, kHeadFileBox) == Wide(head); }, 10000));
  PostMessageW(elevated, WM_CLOSE, 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(elevated); }, 10000));
}

// The file dialog, the first use of comdlg32: it opens (and is cancelled) and the program goes on.
TEST(Program, OpenShowsTheFileDialog) {
  SuppressAssociatePrompt();
  Process app(kProgram);
  DialogAnswerer boxes(app.Id());
  boxes.Answer(IDCANCEL);
  const HWND main = RunningWindow();
  ClickButton(main, kBrowseButton);
  ASSERT_TRUE(PumpUntil([&] { return boxes.SeenCount() == 1u; }, 20000)) << "no file dialog";
  EXPECT_EQ(boxes.Seen()[0].caption, L"Select OCX File ");
  EXPECT_FALSE(app.WaitExit(500).has_value()) << "the program ended";
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(app.WaitExit(15000).has_value());
}

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
