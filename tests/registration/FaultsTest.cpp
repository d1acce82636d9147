// Misbehaving heads registered one after another in one running window: each ends in its own
// panel line, the window keeps answering between them, and a good head still registers afterwards.
#include <atomic>
#include <thread>

#include "RegFixture.h"

using namespace regtest;

namespace {

constexpr wchar_t kFault[] = L"Process failed: the entry point faulted with exception 0xC0000005.";

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
  bool RefreshTicks() { return PumpUntil([&] { return !Form().Timer1Enabled(); }, 3000); }

  // Runs one command on a misbehaving head and checks that the program got through it.
  void Survive(const std::string& file, bool unregister, const std::wstring& expected, bool prefixOnly = false) {
    SCOPED_TRACE(file + (unregister ? " (unregister)" : " (register)"));
    Form().SetFileBoxText(W(Head(file)));
    Click(unregister);
    const Lines lines = PanelLines();
    ASSERT_EQ(lines.size(), 3u) << Form().PanelText();
    EXPECT_EQ(lines[0], L"Checking File...");
    EXPECT_EQ(lines[1], unregister ? L"Attempting to unregister file..." : L"Attempting to register file...");
    EXPECT_EQ(prefixOnly ? lines[2].substr(0, expected.size()) : lines[2], expected);
    EXPECT_FALSE(Form().BusyPointer());
    EXPECT_TRUE(Form().Timer1Enabled());

    const bool answers = AnswersAnotherThread();
    const bool ticks = RefreshTicks();
    EXPECT_TRUE(answers) << "the window does not answer after " << file;
    EXPECT_TRUE(ticks) << "the refresh timer did not tick after " << file;
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

  // The next ones come while the slow head's thread is still inside its entry point; the second
  // fault, through the other entry point, is contained just as the first.
  Survive("fault.ocx", false, kFault);
  Survive("fail.ocx", false, L"Process failed with status 0x80004005", true);
  Survive("notadll.ocx", false, L"Failure loading control OCX/DLL");
  Survive("noentry.ocx", false, L"Process failed in obtaining entry point or creating thread.");
  Survive("fault.ocx", true, kFault);
  for (const char* file : {"fault.ocx", "fail.ocx", "noentry.ocx"}) EXPECT_FALSE(ModuleLoaded(dir_ + file));
  EXPECT_EQ(Form().ListCount(), 0) << "none of them left an entry in the Games list";

  // A good head registers as in a fresh program, and its entry shows after the refresh.
  const std::string chess = Head("chess.ocx");
  Form().SetFileBoxText(W(chess));
  Form().Image2_Click();
  EXPECT_EQ(PanelLines(), (Lines{L"Checking File...", L"Attempting to register file...", L"Process Successful."}));
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
