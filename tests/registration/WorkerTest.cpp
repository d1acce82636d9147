// The worker process as the window starts it: what it is given, where a head's DLLs come from, what a
// head that cannot load misses, and a worker that cannot start at all.
#include "RegistrationFixture.h"

namespace {

using namespace regtest;

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

// What a worker gets from the window besides its command: the system folder to stand in (not the
// head's), no busy pointer of its own, and none of the window's handles but its channel's. A file opened for inheriting can be removed once closed
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

}  // namespace
