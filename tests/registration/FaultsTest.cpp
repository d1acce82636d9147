// Misbehaving heads registered one after another in one running window: each ends in a failure or
// time-out line within the limit and never in success, the window answers other threads all the
// while, takes no input while it waits, and a good head still registers afterwards.
#include <atomic>
#include <thread>

#include "RegFixture.h"
#include "app/Controls.h"
#include "app/PictureBox.h"
#include "app/modMultipleInstance.h"
#include "registration/RegRules.h"

#include <tlhelp32.h>

using namespace regtest;

namespace {

constexpr wchar_t kEnded[] = L"Process failed: the control ended the worker (";

// Sends WM_NULL to the window from another thread every 100 ms; counts the sends not answered
// within a second.
class AnswerWatch {
 public:
  explicit AnswerWatch(HWND window)
      : thread_([this, window] {
          while (!stop_) {
            DWORD_PTR result = 0;
            if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result)) ++unanswered_;
            Sleep(100);
          }
        }) {}
  ~AnswerWatch() {
    stop_ = true;
    thread_.join();
  }
  int Unanswered() const { return unanswered_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> unanswered_{0};
  std::thread thread_;
};

// The processes this test program has started that still run (the workers of its window).
int RunningChildren() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{sizeof entry};
  int children = 0;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    children += entry.th32ParentProcessID == GetCurrentProcessId();
  CloseHandle(snapshot);
  return children;
}

class FaultsTest : public RegistrationTest {
 protected:
  // Registers a head through the Register command; returns the lines after the attempt line.
  Lines Register(const std::string& file, ULONGLONG* took = nullptr) {
    Form().SetFileBoxText(W(Head(file)));
    const ULONGLONG start = GetTickCount64();
    Click(false);
    if (took) *took = GetTickCount64() - start;
    Lines lines = PanelLines();
    EXPECT_GE(lines.size(), 3u) << Form().PanelText();
    if (lines.size() < 3) return {};
    EXPECT_EQ(lines[1], L"Attempting to register file...");
    return Lines(lines.begin() + 2, lines.end());
  }
  bool LateLineFor(const std::string& file, const std::wstring& outcome, DWORD timeoutMs) {
    const std::wstring line = registration::LateOutcomeLine(W(file), {outcome});
    return PumpUntil([&] { return Form().PanelText().find(line) != std::wstring::npos; }, timeoutMs);
  }
};

TEST_F(FaultsTest, EachMisbehavingHeadFailsOrTimesOutAndAGoodHeadStillRegisters) {
  AnswerWatch watch(Form().hWnd());
  struct Case {
    const char* file;
    std::wstring line;  // the outcome line, or its beginning when prefix
    bool prefix = false;
    bool late = false;  // runs past the limit and ends a little later
  };
  const Case cases[] = {
      {"exitproc.ocx", std::wstring(kEnded) + L"exit code 7)."},
      {"exitthread.ocx", std::wstring(kEnded) + L"exit code 0)."},
      {"throw.ocx", std::wstring(kEnded) + L"exception 0xE06D7363)."},
      {"fault.ocx", std::wstring(kEnded) + L"exception 0xC0000005)."},
      {"breakpoint.ocx", std::wstring(kEnded) + L"exception 0x80000003)."},
      // Wine's loader turns the dependency's fault into a failed load; Windows may end the worker.
      {"faultdep.ocx", L"Process failed", true},
      {"sleepload.ocx", registration::kTimeOutLine, false, true},
      {"sleepunload.ocx", registration::kTimeOutLine, false, true},
  };
  testenv::CopyInto(testenv::HeadPath("faultinit.dll"), dir_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    ULONGLONG took = 0;
    const Lines lines = Register(c.file, &took);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(c.prefix ? lines[0].substr(0, c.line.size()) : lines[0], c.line);
    EXPECT_LT(took, 12000u);
    EXPECT_FALSE(Form().BusyPointer());
    if (c.late) {
      EXPECT_TRUE(LateLineFor(c.file, L"Process Successful.", 5000)) << Form().PanelText();
      EXPECT_TRUE(Form().Timer1Enabled()) << "the list is refreshed after the late end";
    }
    EXPECT_TRUE(PumpUntil([&] { return !Form().Timer1Enabled(); }, 3000)) << "the refresh timer ticks";
    if (!HasFailure()) testenv::CountFigure("faults_survived");
  }
  // A fault the system handles itself is no failure.
  EXPECT_EQ(Register("badptr.ocx"), (Lines{L"Process Successful."}));
  EXPECT_EQ(Form().ListCount(), 0) << "none of them left an entry in the Games list";

  EXPECT_EQ(Register("chess.ocx"), (Lines{L"Process Successful."}));
  EXPECT_TRUE(Registered(Chess()));
  ASSERT_TRUE(PumpUntil([&] { return Form().ListCount() == 1; }, 3000));
  EXPECT_EQ(Form().ListItem(0), L"Chess");
  EXPECT_EQ(watch.Unanswered(), 0) << "the window stopped answering";
  EXPECT_EQ(Boxes().SeenCount(), 0u);
}

// A head that asks the user something and is not answered within the limit.
TEST_F(FaultsTest, WhileItWaitsTheWindowTakesNoInputButKeepsHandOffsAndClose) {
  const std::string handed = Head("chess.ocx");
  const HWND window = Form().hWnd();
  // Clicks on Register and keys for the head file box, queued before the wait: all dropped.
  const RECT& reg = Form().Picture(IDC_Image2).Place();
  const LPARAM at = MAKELPARAM((reg.left + reg.right) / 2, (reg.top + reg.bottom) / 2);
  PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(window, WM_LBUTTONUP, 0, at);
  PostMessageW(Form().txtOCXFile(), WM_CHAR, L'x', 0);

  // A second start's hand-off arrives while the head's question is open.
  std::atomic<ULONGLONG> handOffTook{0};
  HWND question = nullptr;
  std::thread messenger([&] {
    for (int i = 0; i < 100 && !(question = FindWindowW(L"#32770", L"Awkward head question")); ++i) Sleep(50);
    const ULONGLONG start = GetTickCount64();
    modMultipleInstance::SendHandOff(window, W(handed));
    handOffTook = GetTickCount64() - start;
  });
  const std::string askbox = Head("askbox.ocx");
  EXPECT_EQ(Register("askbox.ocx"), (Lines{registration::kTimeOutLine}));
  messenger.join();
  ASSERT_NE(question, nullptr) << "the head's question did not show";
  EXPECT_LT(handOffTook.load(), 1000u);
  EXPECT_EQ(PanelLines().front(), L"Checking File...");
  EXPECT_EQ(PanelLines().size(), 3u) << "a dropped click ran a second command";
  EXPECT_EQ(Form().FileBoxText(), W(askbox)) << "typed into, or the hand-off landed, while waiting";
  EXPECT_TRUE(PumpUntil([&] { return Form().FileBoxText() == W(handed); }, 2000)) << "the hand-off was lost";

  // Once the user answers the head, its outcome follows.
  DialogAnswerer::Press(question, IDOK);
  EXPECT_TRUE(LateLineFor("askbox.ocx", L"Process Successful.", 5000)) << Form().PanelText();

  // A close asked for while a head runs is carried out once it has ended.
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(Register("exitproc.ocx"), (Lines{std::wstring(kEnded) + L"exit code 7)."}));
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window); }, 2000));
  EXPECT_TRUE(PumpUntil([&] { return RunningChildren() == 0; }, 3000)) << "a worker outlived the window";
  EXPECT_EQ(Boxes().SeenCount(), 0u);
}

}  // namespace
