// The registration worker, the Register and Unregister commands and file choosing, on the real test
// heads (well-behaved, failing and misbehaving ones), in a running main window.
#include "RegistrationFixture.h"

namespace {

using namespace regtest;

// Good, failing and misbehaving heads one after another in one window: each ends within the limit in
// its own lines (past the limit, in one more line later), and a good head's keys come and go whole.
TEST_F(RegistrationTest, EachHeadEndsInItsOwnLines) {
  const std::string chess = Copy("chess.ocx"), hidden = Copy("chess.ocx", "hidden.ocx");
  SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
  for (const char* dll : {"headdep.dll", "faultinit.dll"}) Copy(dll);
  SetCurrentDirectoryA("C:\\");  // a head finds a DLL next to it wherever the program was started
  // Under the emulator an access violation arrives as an illegal instruction, also one the system would
  // have handled itself for the head (badptr.ocx): it still ends the worker and is still reported.
  const std::wstring violation = Emulated() ? L"exception 0xC000001D" : L"exception 0xC0000005";
  const std::vector<std::wstring> handledFault =
      Emulated() ? std::vector{Ended(violation)} : std::vector<std::wstring>{kOk, registration::kNoGameAddedLine};
  if (Emulated()) NoteEmulated("faults are expected as exception 0xC000001D, also badptr.ocx's handled one");
  const std::wstring otherBits = sizeof(void*) == 8 ? L"This is a 32-bit control; use the 32-bit installer."
                                                    : L"This is a 64-bit control; use the 64-bit installer.";
  const struct {
    std::string file;  // a head of the build, or a path
    std::wstring letter;
    std::vector<std::wstring> lines;  // a last line "...*" stands for any line that begins so but success
    std::string registered = "";      // the good head whose keys are there afterwards
  } cases[] = {
      {chess, L"", {kOk, L"\"Chess\" is in the Games list."}, kChess},
      {chess, L"x", {L"Unknown command handle"}, kChess}, {chess, L"u ", {L"Unknown command handle"}, kChess},
      {chess, L"U", {kOk, L"\"Chess\" is no longer in the Games list."}},
      {hidden, L"", {L"File not found...", kOk, L"\"Chess\" is in the Games list."}, kChess},
      {chess, L"u", {kOk}},  // the entry names hidden.ocx now, not this file
      {"comhead.ocx", L"", {kOk, L"\"Bowls\" is in the Games list."}, kBowls},
      {"comhead.ocx", L"u", {kOk, L"\"Bowls\" is no longer in the Games list."}},
      {"needsdep.ocx", L"", {kOk, registration::kNoGameAddedLine}},
      {"noentry.ocx", L"", {L"Process failed in obtaining entry point or creating thread."}},
      {"notadll.ocx", L"u", {kLoad, L"The file is not a program library."}}, {"otherbits.ocx", L"", {kLoad, otherBits}},
      {dir_ + "gone.ocx", L"x", {L"File not found...", kLoad, L"The control file could not be found."}},
      {"fail.ocx", L"", {L"Process failed with status 0x80004005: *"}},
      {"badptr.ocx", L"", handledFault},  // a fault the system handles itself is no failure
      {"exitproc.ocx", L"", {Ended(L"exit code 7")}}, {"exitthread.ocx", L"", {Ended(L"exit code 0")}},
      {"throw.ocx", L"", {Ended(L"exception 0xE06D7363")}}, {"fault.ocx", L"", {Ended(violation)}},
      {"breakpoint.ocx", L"", {Ended(L"exception 0x80000003")}},
      {"faultdep.ocx", L"", {L"*"}},  // Wine's loader makes the dependency's fault a failed load
      {"sleepload.ocx", L"", {registration::kTimeOutLine}}, {"sleepunload.ocx", L"", {registration::kTimeOutLine}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file + " '" + ToAnsi(c.letter) + "'");
    const std::string path = c.file.find('\\') == std::string::npos ? Copy(c.file) : c.file;
    const ULONGLONG start = GetTickCount64();
    const std::wstring panel = Run(path, c.letter), want = testenv::Lines(c.lines);
    EXPECT_LT(GetTickCount64() - start, 12000u * Slowness());
    if (want.ends_with(L"*\r\n"))
      EXPECT_TRUE(panel.starts_with(want.substr(0, want.size() - 3)) && panel != testenv::Lines({kOk})) << ToAnsi(panel);
    else
      EXPECT_EQ(panel, want);
    EXPECT_EQ(Registered(), c.registered == kChess);
    EXPECT_EQ(Registered(kBowls, "Bowls"), c.registered == kBowls);
    if (!c.registered.empty()) EXPECT_EQ(ServerPath(c.registered), FromAnsi(path));
    if (c.lines[0] == registration::kTimeOutLine) {
      EXPECT_TRUE(LateLine(c.file)) << ToAnsi(Window().PanelText());
      EXPECT_TRUE(Window().RefreshPending()) << "the list is refreshed after the late end";
    }
  }
}

// A head asks the user something and is not answered within the limit.
TEST_F(RegistrationTest, WhileItWaitsTheWindowTakesNoInputButKeepsHandOffsAndClose) {
  const std::string handed = Copy("chess.ocx"), askbox = Copy("askbox.ocx");
  const HWND window = Window().hWnd();
  // Clicks on Register and keys for the head file box, queued before the wait: all dropped.
  const RECT& reg = Window().Picture(kRegisterButton).Place();
  const LPARAM at = MAKELPARAM((reg.left + reg.right) / 2, (reg.top + reg.bottom) / 2);
  PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(window, WM_LBUTTONUP, 0, at);
  PostMessageW(Window().HeadFileBox(), WM_CHAR, L'x', 0);
  // A second start's hand-off arrives while the head's question is open.
  std::atomic<ULONGLONG> handOffTook{0};
  HWND question = nullptr;
  std::thread messenger([&] {
    for (int i = 0; i < 100 && !(question = FindWindowW(L"#32770", L"Awkward head question")); ++i) Sleep(50);
    const ULONGLONG start = GetTickCount64();
    window::SendHandOff(window, FromAnsi(handed));
    handOffTook = GetTickCount64() - start;
  });
  EXPECT_EQ(Command(FromAnsi(askbox), false), testenv::Lines({kCheck, kReg, registration::kTimeOutLine}));
  messenger.join();
  ASSERT_NE(question, nullptr) << "the head's question did not show";
  EXPECT_LT(handOffTook.load(), 1000u);
  EXPECT_EQ(Window().HeadFileText(), FromAnsi(askbox)) << "typed into, or the hand-off landed, while waiting";
  EXPECT_TRUE(PumpUntil([&] { return Window().HeadFileText() == FromAnsi(handed); }, 2000)) << "the hand-off was lost";
  DialogAnswerer::Press(question, IDOK);
  EXPECT_TRUE(LateLine("askbox.ocx")) << "once answered, the head's outcome follows";
  // A close asked for while a head runs is carried out once it has ended.
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(Run(Copy("exitproc.ocx"), L""), testenv::Lines({Ended(L"exit code 7")}));
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window); }, 2000));
}

// A head still running past the limit (its question unanswered) is ended only on Yes: before a
// command on it, or a close.
TEST_F(RegistrationTest, ALateHeadEndsOnlyWhenTheUserSaysSo) {
  const std::wstring head = FromAnsi(Copy("askbox.ocx")), still = L"\"askbox.ocx\" is still registering. End it and ";
  const HWND window = Window().hWnd();
  EXPECT_EQ(Command(head, false), testenv::Lines({kCheck, kReg, registration::kTimeOutLine}));
  Boxes().Answer(IDNO);
  EXPECT_EQ(Command(head, true), testenv::Lines({kCheck, kUnreg, registration::StillRunningLine(L"askbox.ocx", false)}));
  EXPECT_EQ(Boxes().Seen().back().text, still + L"go on?");
  for (const int answer : {IDNO, IDYES}) {
    Boxes().Answer(answer);
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(Boxes().Seen().back().text, still + L"close?");
    EXPECT_EQ(IsWindow(window) != FALSE, answer == IDNO);
  }
}

// A pattern in the box names no single head: it stays as given, and no command runs on it.
TEST_F(RegistrationTest, WildcardsNameNoSingleHead) {
  const std::wstring pattern = FromAnsi(dir_) + L"ch*.ocx";
  Copy("chess.ocx");
  window::SendHandOff(Window().hWnd(), pattern);
  EXPECT_EQ(Window().HeadFileText(), pattern);
  Boxes().Answer(IDOK);
  EXPECT_EQ(Command(pattern, false), testenv::Lines({kCheck, L"OCX not found!"}));
  EXPECT_EQ(Boxes().Seen().back().text, pattern + L" names no single file. Please check filename...");
  EXPECT_FALSE(Registered());
}

// Head paths long, short, with a trailing dot or in another script work through both commands.
TEST_F(RegistrationTest, OddPathsWorkEverywhere) {
  const std::wstring dir = FromAnsi(dir_), chess = FromAnsi(testenv::HeadPath("chess.ocx")), cyrillic = L"\u0448\u0430\u0445\\";
  const std::wstring folder = dir + std::wstring(100, L'd');
  const std::wstring longest = folder + L"\\chess" + std::wstring(149 - dir.size(), L'x') + L".ocx";
  for (const std::wstring& made : {folder, dir + cyrillic}) CreateDirectoryW(made.c_str(), nullptr);
  for (const std::wstring& file : {longest, dir + L"chess.ocx", dir + cyrillic + L"\u0448.ocx"})
    ASSERT_TRUE(CopyFileW(chess.c_str(), file.c_str(), FALSE));
  wchar_t shortPath[MAX_PATH] = {};
  GetShortPathNameW(longest.c_str(), shortPath, MAX_PATH);
  ASSERT_EQ(longest.size(), 259u) << "the longest path a MAX_PATH buffer holds with its terminating zero";
  // The box's text, the file's long path; the file system drops a trailing dot.
  const std::pair<std::wstring, std::wstring> paths[] = {
      {longest, longest}, {shortPath, longest}, {dir + L"chess.ocx.", dir + L"chess.ocx"},
      {dir + cyrillic + L"\u0448.ocx", dir + cyrillic + L"\u0448.ocx"}};
  for (const auto& [box, file] : paths) {
    SCOPED_TRACE(ToAnsi(box));
    Window().SetHeadFileText(box);
    EXPECT_TRUE(Window().PanelText().starts_with(L"Currently Selected File Info: \r\n   FileName:  chess.ocx\r\n"));
    // The check after it finds the entry whatever form of the path the head wrote.
    EXPECT_EQ(Command(box, false), testenv::Lines({kCheck, kReg, kOk, L"\"Chess\" is in the Games list."}));
    EXPECT_EQ(ServerPath(kChess), file);
    EXPECT_EQ(Command(box, true), testenv::Lines({kCheck, kUnreg, kOk, L"\"Chess\" is no longer in the Games list."}));
  }
}

// On the Games list a dropped head is asked about:
// Cancel changes nothing, No only fills the box, Yes registers it too.
TEST_F(RegistrationTest, DroppedHeads) {
  const std::string chess = Copy("chess.ocx"), docx = dir_ + "REPORT.DOCX", text = dir_ + "notes.txt";
  DropOn(Window().HeadFileBox(), {docx, chess});
  DropOn(Window().GamesList(), {text, chess});
  const std::pair<int, std::string> answers[] = {{IDCANCEL, docx}, {IDNO, chess}, {IDYES, chess}};
  for (size_t seen = 0; const auto& [answer, box] : answers) {
    Boxes().Answer(answer);
    DropOn(Window().GamesList(), {chess, docx});
    ASSERT_EQ(Boxes().SeenCount(), ++seen) << "a first file that is no head is not asked about";
    EXPECT_EQ(Boxes().Seen().back().text, L"Would you like to register this head?\r\n(" + FromAnsi(chess) + L")");
    EXPECT_EQ(Window().HeadFileText(), FromAnsi(box));
    EXPECT_EQ(Registered(), answer == IDYES);
  }
  EXPECT_EQ(Window().PanelText(), testenv::Lines({kCheck, kReg, kOk, L"\"Chess\" is in the Games list."}));
}

}  // namespace
