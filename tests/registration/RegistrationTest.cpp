// The registration worker, the Register and Unregister commands and file choosing, on the real test
// heads (well-behaved, failing and misbehaving ones), in a running main window.
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

namespace {

const std::wstring kOk = L"Process Successful.", kLoad = L"Failure loading control OCX/DLL";
const std::wstring kCheck = L"Checking File...", kReg = L"Attempting to register file...";
const std::wstring kUnreg = L"Attempting to unregister file...";
std::wstring Ended(const std::wstring& how) { return L"Process failed: the control ended the worker (" + how + L")."; }
const std::string kChess = "{1E5A294C-7B3D-4C11-9A2E-6F01C3D5B7A1}", kBowls = "{3F7C8A80-1D26-4B95-8E3A-C45F0B7D2E19}";


std::wstring ServerPath(const std::string& classId) {
  wchar_t path[1024] = {};
  LONG size = sizeof path;
  RegQueryValueW(HKEY_CLASSES_ROOT, FromAnsi("CLSID\\" + classId + "\\InprocServer32").c_str(), path, &size);
  return path;
}

// True when every key of a good head's registration is there, false when none is; some alone fail the test.
bool Registered(const std::string& classId = kChess, const std::string& entry = "Chess") {
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

// A head that cannot load names what it misses, one line each: a DLL not beside it, one that a DLL
// beside it needs, a function an older copy lacks, a DLL of the other bitness.
TEST_F(RegistrationTest, AFailedLoadNamesWhatIsMissing) {
  const std::wstring own = sizeof(void*) == 8 ? L"64-bit" : L"32-bit", other = sizeof(void*) == 8 ? L"32-bit" : L"64-bit";
  const std::tuple<std::string, std::string, std::string, std::wstring> cases[] = {  // head, a file beside it as, line
      {"needsdep.ocx", "", "", L"It needs headdep.dll, which is not on this computer."},
      {"needschain.ocx", "chainmid.dll", "", L"chainmid.dll needs headdep.dll, which is not on this computer."},
      {"needsdep.ocx", "old\\headdep.dll", "", L"headdep.dll has no function headdep_answer that the control needs."},
      {"needsdep.ocx", "otherbits.ocx", "headdep.dll", L"The headdep.dll found (" + FromAnsi(dir_) + L"headdep.dll) is a " +
          other + L" DLL; the control needs a " + own + L" one."}};
  for (const auto& [head, file, as, line] : cases) {
    ASSERT_EQ(testenv::TestDir(), dir_);  // emptied
    if (!file.empty()) testenv::CopyInto(testenv::HeadPath(file), dir_, as);
    // Wine loads a head whose DLL lacks a function and ends it when it calls the function.
    const std::wstring panel = Run(Copy(head), L""), wineStub = Ended(L"exception 0x80000100");
    EXPECT_TRUE(panel == testenv::Lines({kLoad, line}) || panel == testenv::Lines({wineStub, line})) << ToAnsi(panel);
  }
  // Fifty system DLLs (function 1 of each) and a missing one: the missing one alone is named, whether
  // exports are read or not (bench_registration measures the time this takes).
  testimages::Plan fifty{sizeof(void*) == 8, {{"gone.dll", {"F"}}}, {}};
  std::istringstream names("advapi32 avifil32 bcrypt cabinet cfgmgr32 clusapi comdlg32 credui crypt32 d3d9 d3d11 dbghelp "
      "dnsapi dxgi gdi32 gdiplus hid imm32 iphlpapi kernel32 kernelbase mpr msacm32 mscms msimg32 msvcrt mswsock ncrypt "
      "netapi32 normaliz ntdll odbc32 ole32 oleacc oledlg opengl32 powrprof psapi rpcrt4 secur32 setupapi shlwapi urlmon "
      "user32 uxtheme version winhttp wintrust ws2_32 wsock32");
  for (std::string dll; names >> dll;) fifty.imports.push_back({dll + ".dll", {}, {1}});
  testenv::WriteFileBytes(dir_ + "fifty.ocx", testimages::Build(fifty));
  for (const auto what : {registration::LookFor::kDlls, registration::LookFor::kFunctions})
    EXPECT_EQ(registration::DescribeMissingPieces(FromAnsi(dir_ + "fifty.ocx"), what).reasons,
              std::vector<std::wstring>{L"It needs gone.dll, which is not on this computer."});
}

// The worker is the program itself, so Windows would look beside it first for a DLL a head loads by
// name. plant.dll comes from the head's folder or PATH's, never from beside the program or from the
// folder the head made current. In naming what a head misses, a DLL of the other bitness on PATH is
// passed over, as the loader does.
TEST_F(RegistrationTest, DllsAHeadLoadsByNameComeFromItsFolderOrPathOnly) {
  const std::string dll = testenv::HeadPath("headdep.dll"), program = testenv::ExeDir();
  const std::string head = dir_ + "head\\", current = dir_ + "current\\", other = dir_ + "other\\", onPath = dir_ + "path\\";
  for (const std::string& folder : {head, current, other, onPath}) CreateDirectoryA(folder.c_str(), nullptr);
  const std::string plantload = testenv::CopyInto(testenv::HeadPath("plantload.ocx"), head);
  char path[32767] = {};
  GetEnvironmentVariableA("PATH", path, sizeof path);
  // Seen by the workers started from here on (the first case needs neither).
  SetEnvironmentVariableA("PATH", (std::string(path) + ";" + other + ";" + onPath).c_str()), SetEnvironmentVariableA("VESK_PLANT_CWD", current.c_str());
  const std::pair<std::vector<std::string>, std::string> cases[] = {  // where plant.dll lies, the one loaded
      {{head, program, current, onPath}, head}, {{program, current}, ""}, {{program, current, onPath}, onPath}};
  for (const auto& [folders, loaded] : cases) {
    for (const std::string& folder : {head, program, current, onPath}) DeleteFileA((folder + "plant.dll").c_str());
    for (const std::string& folder : folders) testenv::CopyInto(dll, folder, "plant.dll");
    DeleteFileA((head + "plant.txt").c_str());
    EXPECT_EQ(Run(plantload, L"").starts_with(L"Process failed with status 0x8007007E"), loaded.empty());
    EXPECT_EQ(_stricmp(testenv::ReadFileBytes(head + "plant.txt").c_str(), (loaded.empty() ? "" : loaded + "plant.dll").c_str()), 0);
  }
  DeleteFileA((program + "plant.dll").c_str());
  testenv::CopyInto(testenv::HeadPath("otherbits.ocx"), other, "chainmid.dll");
  testenv::CopyInto(testenv::HeadPath("chainmid.dll"), onPath);
  EXPECT_EQ(Run(Copy("needschain.ocx"), L""), testenv::Lines({kLoad, L"chainmid.dll needs headdep.dll, which is not on this computer."}));
  SetEnvironmentVariableA("PATH", path), SetEnvironmentVariableA("VESK_PLANT_CWD", nullptr);
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

// A worker stands in the system folder, not in the head's, and shows no busy pointer of its own.
// What a worker gets from the window besides its command: the system folder to stand in, and none of
// the window's handles but its channel's. A file opened for inheriting can be removed once closed
// here, and the pipe standard output goes to ends when its last writer here is closed.
TEST_F(RegistrationTest, WorkersStandInTheSystemFolderAndHoldNoHandleOfOurs) {
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  const std::string held = dir_ + "held.txt";
  const HANDLE file = CreateFileA(held.c_str(), GENERIC_WRITE, 0, &inherited, CREATE_ALWAYS, 0, nullptr);
  HANDLE pipeRead = nullptr, pipeWrite = nullptr;
  ASSERT_TRUE(file != INVALID_HANDLE_VALUE && CreatePipe(&pipeRead, &pipeWrite, &inherited, 0));
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  SetStdHandle(STD_OUTPUT_HANDLE, pipeWrite);
  registration::SpareWorker spare;
  DWORD error = 0;
  const std::unique_ptr<registration::EntryWorker> parked = spare.Take(registration::WaitPlainly, error);
  SetStdHandle(STD_OUTPUT_HANDLE, output);
  ASSERT_TRUE(parked && registration::WaitPlainly(parked->ReadySignals(), 30000 * Slowness())) << error;
  CloseHandle(file), CloseHandle(pipeWrite);
  EXPECT_TRUE(DeleteFileA(held.c_str())) << GetLastError();
  DWORD available = 0;
  EXPECT_FALSE(PeekNamedPipe(pipeRead, nullptr, 0, nullptr, &available, nullptr));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_BROKEN_PIPE));
  EXPECT_FALSE(parked->Exited());
  parked->Terminate(), CloseHandle(pipeRead);

  SetCurrentDirectoryA(dir_.c_str());
  EXPECT_EQ(Run(Copy("whereami.ocx"), L""), testenv::Lines({kOk, registration::kNoGameAddedLine}));
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  EXPECT_EQ(testenv::ReadFileBytes(dir_ + "where.txt"), std::string(system) + " 128");
  SetCurrentDirectoryA("C:\\");
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

// A worker that cannot be started at all (here its program file has been renamed away, as a cleaner
// may quarantine it) gets a line of its own with the system's reason, and the window goes on.
TEST_F(RegistrationTest, AWorkerThatCannotStartSaysWhy) {
  Window().Registrar().EndWorkers();  // no spare started earlier
  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  const std::wstring moved = std::wstring(program) + L".moved";
  ASSERT_TRUE(MoveFileW(program, moved.c_str()));
  const std::wstring panel = Run(Copy("chess.ocx"), L"");
  MoveFileW(moved.c_str(), program);
  EXPECT_TRUE(panel.starts_with(L"The worker process that runs the control could not be started: ")) << ToAnsi(panel);
  EXPECT_EQ(std::count(panel.begin(), panel.end(), L'\n'), 1) << "that line alone";
  EXPECT_TRUE(Run(Copy("chess.ocx"), L"").starts_with(kOk)) << "the next command starts its worker";
}
