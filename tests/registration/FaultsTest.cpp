// Misbehaving heads registered one after another in one running window: each ends in its own
// panel line, the window keeps answering between them, and a good head still registers afterwards.
#include <atomic>
#include <cstdio>
#include <thread>

#include "RegFixture.h"
#include "app/frmMain.h"

using namespace regtest;

namespace {

constexpr wchar_t kChecking[] = L"Checking File...";
constexpr wchar_t kAttemptRegister[] = L"Attempting to register file...";
constexpr wchar_t kAttemptUnregister[] = L"Attempting to unregister file...";

class FaultsTest : public RegistrationTest {
 protected:
  // A message sent from another thread is answered while this thread pumps.
  bool AnswersAnotherThread() {
    std::atomic<int> state{0};  // 0 waiting, 1 answered, 2 timed out
    const HWND window = Form().hWnd();
    std::thread asker([&] {
      DWORD_PTR result = 0;
      state = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 3000, &result) ? 1 : 2;
    });
    PumpUntil([&] { return state.load() != 0; }, 4000);
    asker.join();  // bounded by the send's own time-out
    return state.load() == 1;
  }

  // The command's refresh request is served by the window's own timer while this thread pumps.
  bool RefreshTicks() {
    return PumpUntil([&] { return !Form().Timer1Enabled(); }, 3000);
  }

  // Runs one command on a misbehaving head and checks that the program got through it.
  void Survive(const std::string& file, bool unregister, const std::wstring& expectedLine,
               bool linePrefixOnly = false) {
    SCOPED_TRACE(file + (unregister ? " (unregister)" : " (register)"));
    const std::string path = Head(file);
    Form().SetFileBoxText(W(path));
    if (unregister)
      Form().Image3_Click();
    else
      Form().Image2_Click();

    const Lines lines = PanelLines();
    ASSERT_EQ(lines.size(), 3u) << Form().PanelText();
    EXPECT_EQ(lines[0], kChecking);
    EXPECT_EQ(lines[1], unregister ? kAttemptUnregister : kAttemptRegister);
    if (linePrefixOnly)
      EXPECT_EQ(lines[2].rfind(expectedLine, 0), 0u) << lines[2];
    else
      EXPECT_EQ(lines[2], expectedLine);
    EXPECT_FALSE(Form().BusyPointer());
    EXPECT_TRUE(Form().Timer1Enabled());

    const bool answers = AnswersAnotherThread();
    const bool ticks = RefreshTicks();
    EXPECT_TRUE(answers) << "the window does not answer after " << file;
    EXPECT_TRUE(ticks) << "the refresh timer did not tick after " << file;
    EXPECT_TRUE(IsWindow(Form().hWnd()));
    EXPECT_EQ(Boxes().SeenCount(), 0u);
    if (answers && ticks && !HasFailure()) testenv::CountFigure("faults_survived");
  }
};

TEST_F(FaultsTest, EachMisbehavingHeadGetsItsLineAndAGoodHeadStillRegisters) {
  // Hangs past the time limit: the wait ends after 10 s, the head's thread goes on for a while.
  const ULONGLONG start = GetTickCount64();
  Survive("slow.ocx", false, L"Process failed in signaled state or time-out.");
  const ULONGLONG waited = GetTickCount64() - start;
  EXPECT_GE(waited, 9900u);
  EXPECT_LT(waited, 16000u);
  const std::string slow = dir_ + "slow.ocx";
  EXPECT_TRUE(ModuleLoaded(slow)) << "the library went while its thread still ran";

  // The next ones come while the slow head's thread is still inside its entry point.
  Survive("fault.ocx", false, L"Process failed: the entry point faulted with exception 0xC0000005.");
  Survive("fail.ocx", false, L"Process failed with status 0x80004005", true);
  Survive("notadll.ocx", false, L"Failure loading control OCX/DLL");
  Survive("noentry.ocx", false, L"Process failed in obtaining entry point or creating thread.");
  // A second fault, through the other entry point, is contained just as the first.
  Survive("fault.ocx", true, L"Process failed: the entry point faulted with exception 0xC0000005.");
  EXPECT_FALSE(ModuleLoaded(dir_ + "fault.ocx"));
  EXPECT_FALSE(ModuleLoaded(dir_ + "fail.ocx"));
  EXPECT_FALSE(ModuleLoaded(dir_ + "noentry.ocx"));

  // None of them left an entry in the Games list.
  EXPECT_EQ(Form().ListCount(), 0);

  // A good head registers as in a fresh program, and its entry shows after the refresh.
  const std::string chess = Head("chess.ocx");
  Form().SetFileBoxText(W(chess));
  Form().Image2_Click();
  EXPECT_EQ(PanelLines(), (Lines{kChecking, kAttemptRegister, L"Process Successful."}));
  EXPECT_EQ(testenv::GetSz(HKEY_LOCAL_MACHINE, GamesEntry(Chess()), ""), Chess().classId);
  EXPECT_EQ(testenv::GetSz(HKEY_CLASSES_ROOT, "CLSID\\" + Chess().classId + "\\InprocServer32", ""), chess);
  EXPECT_TRUE(Registered(Chess()));
  EXPECT_FALSE(ModuleLoaded(chess));
  ASSERT_TRUE(RefreshTicks());
  ASSERT_EQ(Form().ListCount(), 1);
  EXPECT_EQ(Form().ListItem(0), L"Chess");

  // The slow head's thread ends 11.5 s after it began; only then is its library released.
  EXPECT_TRUE(PumpUntil([&] { return !ModuleLoaded(slow); }, 5000));
  EXPECT_EQ(Boxes().SeenCount(), 0u);
}

}  // namespace
