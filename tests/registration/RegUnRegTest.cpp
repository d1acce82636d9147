// The registration worker on real head files: real libraries, threads and registry under Wine.
#include <atomic>
#include <thread>

#include "RegFixture.h"
#include "app/frmMain.h"

using namespace regtest;

namespace {

constexpr wchar_t kSuccess[] = L"Process Successful.";
constexpr wchar_t kNoEntry[] = L"Process failed in obtaining entry point or creating thread.";
constexpr wchar_t kTimeOut[] = L"Process failed in signaled state or time-out.";

class RegUnRegTest : public RegistrationTest {
 protected:
  // Runs the worker on a fresh panel and returns what it appended.
  std::vector<std::wstring> Run(const std::string& path, const std::wstring& letter) {
    Form().SetPanelText(L"");
    Form().RegUnReg(W(path), letter);
    return PanelLines();
  }
};

TEST_F(RegUnRegTest, RegisterAndUnregisterLetters) {
  const std::string chess = Head("chess.ocx");
  EXPECT_EQ(Run(chess, L""), (Lines{kSuccess}));
  EXPECT_TRUE(Registered(Chess()));
  EXPECT_EQ(testenv::GetSz(HKEY_CLASSES_ROOT, "CLSID\\" + Chess().classId + "\\InprocServer32", ""), chess);
  EXPECT_FALSE(ModuleLoaded(chess));
  EXPECT_FALSE(Form().BusyPointer());

  EXPECT_EQ(Run(chess, L"u"), (Lines{kSuccess}));
  EXPECT_FALSE(Registered(Chess()));

  // "U" unregisters exactly as "u" does.
  ASSERT_EQ(Run(chess, L""), (Lines{kSuccess}));
  EXPECT_EQ(Run(chess, L"U"), (Lines{kSuccess}));
  EXPECT_FALSE(Registered(Chess()));
  EXPECT_FALSE(ModuleLoaded(chess));
}

TEST_F(RegUnRegTest, OtherLettersAreUnknownAndReleaseTheLibrary) {
  const std::string chess = Head("chess.ocx");
  ASSERT_EQ(Run(chess, L""), (Lines{kSuccess}));
  for (const wchar_t* letter : {L"x", L"uu", L" u", L"u ", L"r"}) {
    EXPECT_EQ(Run(chess, letter), (Lines{L"Unknown command handle"})) << letter;
    EXPECT_FALSE(ModuleLoaded(chess)) << letter;
  }
  EXPECT_TRUE(Registered(Chess())) << "no entry point may have run";
  EXPECT_FALSE(Form().BusyPointer());
}

TEST_F(RegUnRegTest, LibraryWithoutEntryPoints) {
  const std::string head = Head("noentry.ocx");
  for (const wchar_t* letter : {L"", L"u"}) {
    EXPECT_EQ(Run(head, letter), (Lines{kNoEntry})) << letter;
    EXPECT_FALSE(ModuleLoaded(head));
    EXPECT_FALSE(Form().BusyPointer());
  }
}

TEST_F(RegUnRegTest, FilesThatDoNotLoad) {
  EXPECT_EQ(Run(Head("notadll.ocx"), L""), (Lines{L"Failure loading control OCX/DLL"}));
  EXPECT_EQ(Run(dir_ + "missing.ocx", L""), (Lines{L"File not found...", L"Failure loading control OCX/DLL"}));
  // A command letter is looked at only once the file has loaded.
  EXPECT_EQ(Run(dir_ + "missing.ocx", L"x"), (Lines{L"File not found...", L"Failure loading control OCX/DLL"}));
}

TEST_F(RegUnRegTest, HiddenFileMissedByTheProbeStillLoads) {
  const std::string chess = Head("chess.ocx");
  testenv::SetAttributes(chess, FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(Run(chess, L""), (Lines{L"File not found...", kSuccess}));
  EXPECT_TRUE(Registered(Chess()));
  EXPECT_FALSE(ModuleLoaded(chess));
}

TEST_F(RegUnRegTest, ShortPathIsRegisteredInItsLongForm) {
  const std::string chess = Head("chess.ocx", "chess registration head.ocx");
  char shortPath[MAX_PATH] = {};
  GetShortPathNameA(chess.c_str(), shortPath, MAX_PATH);
  ASSERT_NE(std::string(shortPath), chess) << "no short name to test with";
  EXPECT_EQ(Run(shortPath, L""), (Lines{kSuccess}));
  EXPECT_EQ(testenv::GetSz(HKEY_CLASSES_ROOT, "CLSID\\" + Chess().classId + "\\InprocServer32", ""), chess);
}

TEST_F(RegUnRegTest, FailureStatusIsReportedWithItsText) {
  const std::vector<std::wstring> lines = Run(Head("fail.ocx"), L"");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind(L"Process failed with status 0x80004005", 0), 0u) << lines[0];
  EXPECT_GT(lines[0].size(), std::wstring(L"Process failed with status 0x80004005.").size())
      << "the system's text for the status is missing";
  EXPECT_FALSE(ModuleLoaded(dir_ + "fail.ocx"));
}

TEST_F(RegUnRegTest, FaultInsideTheEntryPointIsContained) {
  const std::string fault = Head("fault.ocx");
  for (const wchar_t* letter : {L"", L"u"}) {
    EXPECT_EQ(Run(fault, letter), (Lines{L"Process failed: the entry point faulted with exception 0xC0000005."}));
    EXPECT_FALSE(ModuleLoaded(fault));
    EXPECT_FALSE(Form().BusyPointer());
  }
  // The program goes on: the window still works and the next head registers.
  PumpFor(50);
  EXPECT_TRUE(IsWindow(Form().hWnd()));
  EXPECT_EQ(Run(Head("chess.ocx"), L""), (Lines{kSuccess}));
  EXPECT_TRUE(Registered(Chess()));
}

// The COM head fails on a thread without COM; the worker initialises OLE for it.
DWORD WINAPI CallRegisterWithoutCom(void* entry) {
  using Entry = HRESULT(STDAPICALLTYPE*)();
  return static_cast<DWORD>(reinterpret_cast<Entry>(entry)());
}

TEST_F(RegUnRegTest, HeadThatUsesComRegisters) {
  const std::string head = Head("comhead.ocx");
  {
    HMODULE library = LoadLibraryA(head.c_str());
    ASSERT_NE(library, nullptr);
    void* entry = reinterpret_cast<void*>(GetProcAddress(library, "DllRegisterServer"));
    HANDLE thread = CreateThread(nullptr, 0, &CallRegisterWithoutCom, entry, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    DWORD status = 0;
    GetExitCodeThread(thread, &status);
    CloseHandle(thread);
    FreeLibrary(library);
    ASSERT_EQ(status, static_cast<DWORD>(CO_E_NOTINITIALIZED)) << "the head should need COM";
    ASSERT_FALSE(Registered(Bowls()));
  }
  EXPECT_EQ(Run(head, L""), (Lines{kSuccess}));
  EXPECT_TRUE(Registered(Bowls()));
  EXPECT_EQ(Run(head, L"u"), (Lines{kSuccess}));
  EXPECT_FALSE(Registered(Bowls()));
}

// The one test that really waits out the time limit.
TEST_F(RegUnRegTest, TimeOutKeepsTheLibraryUntilTheThreadEnds) {
  const std::string slow = Head("slow.ocx");
  std::atomic<bool> busyDuringWait{false};
  std::thread watcher([&] {
    Sleep(2000);
    busyDuringWait = Form().BusyPointer();
  });
  const ULONGLONG start = GetTickCount64();
  const std::vector<std::wstring> lines = Run(slow, L"");
  const ULONGLONG waited = GetTickCount64() - start;
  watcher.join();

  EXPECT_EQ(lines, (Lines{kTimeOut}));
  EXPECT_GE(waited, 9900u);
  EXPECT_LT(waited, 11500u);
  EXPECT_TRUE(busyDuringWait.load());
  EXPECT_FALSE(Form().BusyPointer());
  EXPECT_TRUE(ModuleLoaded(slow)) << "unloaded under a running thread";

  // The program is usable while the slow thread still runs.
  EXPECT_EQ(Run(Head("chess.ocx"), L""), (Lines{kSuccess}));
  EXPECT_TRUE(Registered(Chess()));

  // Once the slow thread has ended (11.5 s after it began), its library is released.
  EXPECT_TRUE(PumpUntil([&] { return !ModuleLoaded(slow); }, 5000));
}

}  // namespace
