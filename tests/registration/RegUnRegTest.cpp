// The registration worker on real head files: real libraries, threads and registry under Wine.
#include <atomic>
#include <thread>

#include "RegFixture.h"

using namespace regtest;

namespace {

constexpr wchar_t kSuccess[] = L"Process Successful.";

class RegUnRegTest : public RegistrationTest {
 protected:
  // Runs the worker on a fresh panel and returns what it appended.
  Lines Run(const std::string& path, const std::wstring& letter) {
    Form().SetPanelText(L"");
    Form().RegUnReg(W(path), letter);
    return PanelLines();
  }
};

TEST_F(RegUnRegTest, CommandLettersShortAndHiddenPaths) {
  const std::string chess = Head("chess.ocx");
  // An empty letter registers; "u" and "U" unregister.
  for (const wchar_t* letter : {L"u", L"U"}) {
    EXPECT_EQ(Run(chess, L""), (Lines{kSuccess}));
    EXPECT_TRUE(Registered(Chess()));
    EXPECT_FALSE(ModuleLoaded(chess));
    EXPECT_FALSE(Form().BusyPointer());
    EXPECT_EQ(Run(chess, letter), (Lines{kSuccess})) << letter;
    EXPECT_FALSE(Registered(Chess())) << letter;
    EXPECT_FALSE(ModuleLoaded(chess));
  }
  // Other letters are unknown: no entry point runs, and the library is released.
  ASSERT_EQ(Run(chess, L""), (Lines{kSuccess}));
  for (const wchar_t* letter : {L"x", L"uu", L" u", L"u ", L"r"}) {
    EXPECT_EQ(Run(chess, letter), (Lines{L"Unknown command handle"})) << letter;
    EXPECT_FALSE(ModuleLoaded(chess)) << letter;
  }
  EXPECT_TRUE(Registered(Chess()));
  EXPECT_FALSE(Form().BusyPointer());
  ASSERT_EQ(Run(chess, L"u"), (Lines{kSuccess}));

  // A short path is registered in its long form.
  const std::string named = Head("chess.ocx", "chess registration head.ocx");
  char shortPath[MAX_PATH] = {};
  GetShortPathNameA(named.c_str(), shortPath, MAX_PATH);
  ASSERT_NE(std::string(shortPath), named) << "no short name to test with";
  EXPECT_EQ(Run(shortPath, L""), (Lines{kSuccess}));
  EXPECT_EQ(ServerPath(Chess()), named);
  ASSERT_EQ(Run(named, L"u"), (Lines{kSuccess}));

  // The file probe misses a hidden file, but the library loads all the same.
  testenv::SetAttributes(chess, FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(Run(chess, L""), (Lines{L"File not found...", kSuccess}));
  EXPECT_TRUE(Registered(Chess()));
  EXPECT_FALSE(ModuleLoaded(chess));
}

TEST_F(RegUnRegTest, FailingHeadsGetTheirLineAndTheProgramGoesOn) {
  struct Case { const char* file; const wchar_t* line; };
  for (const Case& c : {Case{"noentry.ocx", L"Process failed in obtaining entry point or creating thread."},
                        Case{"fault.ocx", L"Process failed: the entry point faulted with exception 0xC0000005."}}) {
    const std::string head = Head(c.file);
    for (const wchar_t* letter : {L"", L"u"}) {
      EXPECT_EQ(Run(head, letter), (Lines{c.line})) << c.file << " " << letter;
      EXPECT_FALSE(ModuleLoaded(head));
      EXPECT_FALSE(Form().BusyPointer());
    }
  }
  const Lines notLoaded{L"File not found...", L"Failure loading control OCX/DLL"};
  EXPECT_EQ(Run(Head("notadll.ocx"), L""), (Lines{L"Failure loading control OCX/DLL"}));
  EXPECT_EQ(Run(dir_ + "missing.ocx", L""), notLoaded);
  EXPECT_EQ(Run(dir_ + "missing.ocx", L"x"), notLoaded) << "a letter is looked at only once the file has loaded";

  const Lines failed = Run(Head("fail.ocx"), L"");
  const std::wstring status = L"Process failed with status 0x80004005: ";  // and the system's text for it
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_EQ(failed[0].rfind(status, 0), 0u) << failed[0];
  EXPECT_GT(failed[0].size(), status.size()) << failed[0];

  // After the fault the window still works and the next head registers.
  PumpFor(50);
  EXPECT_TRUE(IsWindow(Form().hWnd()));
  EXPECT_EQ(Run(Head("chess.ocx"), L""), (Lines{kSuccess}));
  EXPECT_TRUE(Registered(Chess()));
}

// The COM head fails on a thread without COM; the worker initialises OLE for it.
DWORD WINAPI CallRegisterWithoutCom(void* entry) {
  return static_cast<DWORD>(reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(entry)());
}

TEST_F(RegUnRegTest, HeadThatUsesComRegisters) {
  const std::string head = Head("comhead.ocx");
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

  EXPECT_EQ(Run(head, L""), (Lines{kSuccess}));
  EXPECT_TRUE(Registered(Bowls()));
  EXPECT_EQ(Run(head, L"u"), (Lines{kSuccess}));
  EXPECT_FALSE(Registered(Bowls()));
}

// The one test that really waits out the time limit.
TEST_F(RegUnRegTest, TimeOutKeepsTheLibraryUntilTheThreadEnds) {
  const std::string slow = Head("slow.ocx");
  std::atomic<bool> busyDuringWait{false};
  std::thread watcher([&] { Sleep(2000); busyDuringWait = Form().BusyPointer(); });
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(Run(slow, L""), (Lines{L"Process failed in signaled state or time-out."}));
  const ULONGLONG waited = GetTickCount64() - start;
  watcher.join();
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
