// The released program started as processes (its test build where a test needs the trace of the head
// paths it takes): the single instance and its hand-off, a start with the user's ordinary rights and
// the commands that load system DLLs on first use, all seen from outside.
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

