// The released program's silent command line, started as a process the way a setup program starts
// it: standard output to a pipe or a file, the exit code and the one line per file read back.
#include <filesystem>

#include "TestEnv.h"
#include "window/WindowLayout.h"

using namespace testenv;

namespace {

std::wstring Wide(const std::string& utf8) { return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())); }
std::string Utf8(const std::wstring& text) {
  const std::u8string u8 = std::filesystem::path(text).u8string();
  return std::string(u8.begin(), u8.end());
}

struct Ran {
  std::optional<DWORD> exitCode;
  std::string output;  // UTF-8, as written
};

// Runs the program with arguments, its standard output into a pipe (or, with toFile, into a file),
// standing in folder (the test's own when empty).
Ran RunProgram(const std::wstring& arguments, bool toFile = false, const std::wstring& folder = L"", bool limited = false) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  const std::wstring file = Wide(ExeDir()) + L"cli-output.txt";
  if (toFile)
    writeEnd = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  else
    CreatePipe(&readEnd, &writeEnd, &inherit, 0);
  STARTUPINFOW si{sizeof si};
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = si.hStdError = writeEnd;
  std::wstring command = L"\"" + Wide(ExeDir()) + L"VeskInstaller.exe\" " + arguments;
  PROCESS_INFORMATION pi{};
  HANDLE token = nullptr;
  if (limited) {
    HANDLE own = nullptr;
    TOKEN_LINKED_TOKEN linked{};
    DWORD size = 0;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own);
    GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size);
    DuplicateTokenEx(linked.LinkedToken, MAXIMUM_ALLOWED, nullptr, SecurityImpersonation, TokenPrimary, &token);
    CloseHandle(own), CloseHandle(linked.LinkedToken);
  }
  const wchar_t* where = folder.empty() ? nullptr : folder.c_str();
  const BOOL started = token ? CreateProcessAsUserW(token, nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, where, &si, &pi)
                             : CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, where, &si, &pi);
  CloseHandle(writeEnd);
  if (token) CloseHandle(token);
  Ran ran;
  if (!started) return ADD_FAILURE() << "not started", ran;
  char buffer[4096];
  DWORD got = 0;
  while (readEnd && ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got) ran.output.append(buffer, got);
  DWORD code = 0;
  if (WaitForSingleObject(pi.hProcess, 60000 * Slowness()) == WAIT_OBJECT_0 && GetExitCodeProcess(pi.hProcess, &code))
    ran.exitCode = code;
  else
    TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hProcess), CloseHandle(pi.hThread);
  if (readEnd) CloseHandle(readEnd);
  if (toFile) ran.output = ReadFileBytes(Utf8(file));
  return ran;
}

std::wstring Head(const std::string& name) { return Wide(HeadPath(name)); }
std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

}  // namespace

// Each file's line starts with its full path and carries every line of its outcome; the exit code
// is the first failure's, and every file is tried.
TEST(CommandLine, EachFileGetsItsLineAndTheFirstFailureSetsTheExitCode) {
  const std::wstring folder = Wide(TestDir());
  CreateDirectoryW((folder + L"sub").c_str(), nullptr);
  struct Case {
    std::wstring arguments;
    DWORD exitCode;
    std::vector<std::wstring> lines;  // each line's start
  } cases[] = {
      {L"/s " + Head("chess.ocx"), 0, {Head("chess.ocx") + L": Process Successful. \"Chess\" is in the Games list."}},
      {L"-S -u " + Head("chess.ocx"), 0, {Head("chess.ocx") + L": Process Successful. \"Chess\" is no longer in the Games list."}},
      {L"/s " + Head("helper.ocx"), 0, {Head("helper.ocx") + L": Process Successful. It added no game to the Games list."}},
      {L"/s " + Head("noclass.ocx"), 9, {Head("noclass.ocx") + L": Process Successful. \"Broken Class\" cannot be loaded: "}},
      {L"/s " + Head("sticky.ocx"), 0, {Head("sticky.ocx") + L": Process Successful. \"Sticky\" is in the Games list."}},
      {L"/s /U " + Head("sticky.ocx"), 9, {Head("sticky.ocx") + L": Process Successful. \"Sticky\" is still in the Games list."}},
      {L"/s " + Head("notadll.ocx"), 3, {Head("notadll.ocx") + L": Failure loading control OCX/DLL The file is not a program library."}},
      {L"/s " + Head("noentry.ocx"), 4, {Head("noentry.ocx") + L": Process failed in obtaining entry point"}},
      {L"/s " + Head("otherbits.ocx"), 8, {Head("otherbits.ocx") + L": Failure loading control OCX/DLL This is a "}},
      {L"/s " + Head("darts.ocx") + L" " + Head("fail.ocx") + L" " + folder + L"gone.ocx " + Head("noentry.ocx"), 5,
       {Head("darts.ocx") + L": Process Successful.", Head("fail.ocx") + L": Process failed with status 0x80004005",
        folder + L"gone.ocx: File not found... Failure loading control OCX/DLL The control file could not be found.",
        Head("noentry.ocx") + L": Process failed in obtaining entry point"}},
      {L"/s \"\" " + folder + L"sub " + folder + L"*.ocx", 3,
       {L"\"\": The file name is empty.", folder + L"sub: This is a folder, not a control file.",
        folder + L"*.ocx: Wildcards name no single file"}},
      {L"/s " + Head("slow.ocx"), 6,
       {Head("slow.ocx") + L": Process failed in signaled state or time-out. The control was ended."}},
      {L"/s", 1, {L"No file was named."}},
      {L"/s /q " + Head("chess.ocx"), 1, {L"Unknown switch /q."}},
      {L"/export", 1, {L"/export needs the .reg file to write and one head"}},
      {L"/EXPORT " + folder + L"chess.reg " + Head("chess.ocx"), 0,
       {Head("chess.ocx") + L": Process Successful. Saved what it registers ("}},
      {L"/export " + folder + L"gone.reg " + folder + L"gone.ocx", 3, {folder + L"gone.ocx: File not found... "}},
  };
  for (const Case& c : cases) {
    const Ran ran = RunProgram(c.arguments);
    SCOPED_TRACE(Utf8(c.arguments) + "\n" + ran.output);
    EXPECT_EQ(ran.exitCode, c.exitCode);
    size_t at = 0;
    for (const std::wstring& line : c.lines) {
      const std::string start = Utf8(line);
      EXPECT_EQ(ran.output.compare(at, start.size(), start), 0) << start;
      at = ran.output.find("\r\n", at);
      ASSERT_NE(at, std::string::npos);
      at += 2;
    }
    EXPECT_EQ(at, ran.output.size()) << "one line per file";
  }
  EXPECT_TRUE(ReadFileBytes(Utf8(folder) + "chess.reg").starts_with("\xFF\xFE")) << "the export's file";
}

// Paths in any script arrive whole in UTF-8, to a pipe and to a file alike; a relative path is taken
// against the caller's folder; a locked file, an over-long path and many files end with a line each.
TEST(CommandLine, PathsArriveWholeAndAwkwardInputEndsWithALine) {
  const std::wstring folder = Wide(TestDir()) + L"Папка с пробелами 漢字\\";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring head = folder + L"chess.ocx";
  CopyFileW(Head("chess.ocx").c_str(), head.c_str(), FALSE);
  const std::string expected = Utf8(head) + ": Process Successful. \"Chess\" is in the Games list.\r\n";
  for (const bool toFile : {false, true}) EXPECT_EQ(RunProgram(L"/s " + Quoted(head), toFile).output, expected);
  EXPECT_EQ(RunProgram(L"/s /u chess.ocx", false, folder).output,
            Utf8(head) + ": Process Successful. \"Chess\" is no longer in the Games list.\r\n");

  HANDLE locked = CreateFileW(head.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  const Ran lockedRun = RunProgram(L"/s " + Quoted(head));
  CloseHandle(locked);
  EXPECT_EQ(lockedRun.exitCode, 3u) << lockedRun.output;
  EXPECT_TRUE(lockedRun.output.starts_with(Utf8(head) + ": ")) << lockedRun.output;

  const std::wstring longPath = Wide(TestDir()) + std::wstring(250, L'x') + L"\\chess.ocx";
  std::wstring arguments = L"/s " + longPath;
  for (int i = 0; i < 120; ++i) arguments += L" " + Quoted(folder.substr(0, folder.size() - 1));  // no worker
  const Ran many = RunProgram(arguments);
  ASSERT_TRUE(many.exitCode.has_value());
  EXPECT_EQ(*many.exitCode, 3u);
  EXPECT_TRUE(many.output.starts_with(Utf8(longPath) + ": ")) << many.output.substr(0, 400);
  EXPECT_EQ(std::count(many.output.begin(), many.output.end(), '\n'), 121);

  const Ran usage = RunProgram(L"/?");
  EXPECT_EQ(usage.exitCode, 0u);
  for (const char* part : {"/s [/u] FILE", "/export FILE.reg HEAD", "/removebroken", "9  the entry point succeeded"})
    EXPECT_NE(usage.output.find(part), std::string::npos) << part;
}

// A refusal for lack of rights says to run it as administrator, and ends with 7, without a box.
TEST(CommandLine, ARefusalForRightsSaysToRunItAsAdministrator) {
  const Ran ran = RunProgram(L"/s " + Head("denied.ocx"), false, L"", true);
  EXPECT_EQ(ran.exitCode, 7u);
  EXPECT_NE(ran.output.find("administrator rights to register itself. Run the command as administrator.\r\n"),
            std::string::npos)
      << ran.output;
}

// A running instance shows the change at once and keeps what its head file box holds; the command
// line claims no instance and hands nothing over.
TEST(CommandLine, ARunningInstanceRefreshesAndKeepsItsBox) {
  SuppressAssociatePrompt();
  const std::string kept = HeadPath("darts.ocx");
  Process app("\"" + ExeDir() + "VeskInstaller.exe\" \"" + kept + "\"");
  HWND main = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (main = FindWindowA("VeskMainWindow", nullptr)) && IsWindowVisible(main); }, 30000));
  const HWND list = GetDlgItem(main, kGamesList);
  EXPECT_EQ(RunProgram(L"/s " + Head("chess.ocx")).exitCode, 0u);
  const auto listed = [&] {
    for (int i = 0; i < ListCount(list); ++i)
      if (ListItem(list, i) == L"Chess") return true;
    return false;
  };
  EXPECT_TRUE(PumpUntil(listed, 1000));
  wchar_t box[1024] = {};
  GetDlgItemTextW(main, kHeadFileBox, box, 1024);
  EXPECT_EQ(std::wstring(box), Wide(kept));
  EXPECT_EQ(RunProgram(L"/s /u " + Head("chess.ocx")).exitCode, 0u);
  EXPECT_TRUE(PumpUntil([&] { return !listed(); }, 1000));
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(app.WaitExit(15000).has_value());
}

// Started from a console without redirection, the lines go to the caller's console, in its wide
// characters.
TEST(CommandLine, WithoutRedirectionTheLinesGoToTheCallersConsole) {
  const HANDLE given[] = {GetStdHandle(STD_INPUT_HANDLE), GetStdHandle(STD_OUTPUT_HANDLE), GetStdHandle(STD_ERROR_HANDLE)};
  FreeConsole();  // the test's own, if it has one
  ASSERT_TRUE(AllocConsole());
  const std::wstring folder = Wide(TestDir()) + L"Консоль\\";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring head = folder + L"darts.ocx";
  CopyFileW(Head("darts.ocx").c_str(), head.c_str(), FALSE);
  std::wstring command = L"\"" + Wide(ExeDir()) + L"VeskInstaller.exe\" /s " + Quoted(head);
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 30000 * Slowness()), WAIT_OBJECT_0);
  CloseHandle(pi.hProcess), CloseHandle(pi.hThread);
  HANDLE screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  CONSOLE_SCREEN_BUFFER_INFO info{};
  GetConsoleScreenBufferInfo(screen, &info);
  std::wstring text(static_cast<size_t>(info.dwSize.X) * info.dwSize.Y, L' ');
  DWORD read = 0;
  ReadConsoleOutputCharacterW(screen, text.data(), static_cast<DWORD>(text.size()), {0, 0}, &read);
  CloseHandle(screen);
  FreeConsole();
  SetStdHandle(STD_INPUT_HANDLE, given[0]), SetStdHandle(STD_OUTPUT_HANDLE, given[1]), SetStdHandle(STD_ERROR_HANDLE, given[2]);
  EXPECT_NE(text.find(head + L": Process Successful. \"Darts\" is in the Games list."), std::wstring::npos);
  EXPECT_EQ(RunProgram(L"/s /u " + Quoted(head)).exitCode, 0u);
}

// /listbroken names each broken entry and changes nothing; /removebroken removes it with one copy,
// named last, and a running instance would reload.
TEST(CommandLine, BrokenEntriesAreListedAndRemovedWithoutAWindow) {
  const std::string list = "Software\\CLASSES\\Software\\Ubique\\VPgames32\\";
  const std::string id = "{B0C1E5A1-0000-4000-8000-000000000001}";
  DeleteTree(HKEY_LOCAL_MACHINE, list + "Sticky");  // left by the table above, as that head leaves it
  SetSz(HKEY_LOCAL_MACHINE, list + "Gone Game", "", id);
  SetSz(HKEY_CLASSES_ROOT, "CLSID\\" + id + "\\InprocServer32", "", TestDir() + "gone.ocx");
  const Ran listed = RunProgram(L"/s /listbroken");
  EXPECT_EQ(listed.exitCode, 0u);
  EXPECT_EQ(listed.output, "Gone Game: its head file is gone\r\n");
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, list + "Gone Game"));
  const Ran removed = RunProgram(L"-S -RemoveBroken");
  EXPECT_EQ(removed.exitCode, 0u) << removed.output;
  EXPECT_NE(removed.output.find("\"Gone Game\" is removed.\r\n"), std::string::npos) << removed.output;
  EXPECT_NE(removed.output.find("\\Broken entries 20"), std::string::npos) << removed.output;
  EXPECT_TRUE(removed.output.ends_with(".reg\r\n"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, list + "Gone Game"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + id));
  EXPECT_EQ(RunProgram(L"/s /listbroken").output, "No broken entries were found.\r\n");
}
