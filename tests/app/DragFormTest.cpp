// Moving the borderless main window: which presses start the system's move, and with what message.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "ChromeProbes.h"
#include "TestEnv.h"
#include "app/Controls.h"
#include "app/frmMain.h"
#include "app/modDragForm.h"

using namespace testenv;

namespace {

HWND g_form = nullptr;
std::vector<std::pair<UINT, WPARAM>> g_sent;  // messages sent to g_form while a press runs

LRESULT CALLBACK RecordSent(int code, WPARAM wParam, LPARAM lParam) {
  const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && sent->hwnd == g_form) g_sent.emplace_back(sent->message, sent->wParam);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool Sent(UINT msg, std::optional<WPARAM> wParam = std::nullopt) {
  return std::any_of(g_sent.begin(), g_sent.end(),
                     [&](const auto& m) { return m.first == msg && (!wParam || m.second == *wParam); });
}

class DragForm : public MainWindowTest {
 protected:
  // Did a press on this window, at this point of its client area, start a move of the main window?
  // The system's move loop ends at the first message it dispatches once the (real) left button is
  // up, so a thread timer is set to arrive inside it; a watchdog presses Escape should the loop
  // still run after a few seconds.
  bool PressMoves(HWND target, UINT downMessage, POINT at = POINT{2, 2}) {
    g_form = Form().hWnd();
    g_sent.clear();
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, &RecordSent, nullptr, GetCurrentThreadId());
    const UINT_PTR timer = SetTimer(nullptr, 0, 150, nullptr);
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread watchdog([&] {
      while (WaitForSingleObject(done, 3000) == WAIT_TIMEOUT) {
        PostMessageW(g_form, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageW(g_form, WM_LBUTTONUP, 0, 0);
      }
    });
    Mouse(target, downMessage, at);
    SetEvent(done);
    watchdog.join();
    CloseHandle(done);
    KillTimer(nullptr, timer);
    UnhookWindowsHookEx(hook);
    const bool started = Sent(WM_NCLBUTTONDOWN, HTCAPTION);
    if (started) {
      EXPECT_TRUE(Sent(WM_SYSCOMMAND, SC_MOVE + HTCAPTION)) << "the caption press becomes a move";
      EXPECT_TRUE(Sent(WM_ENTERSIZEMOVE)) << "the system's move loop ran";
    }
    return started;
  }
};

}  // namespace

// The system under test is of the NT family; the structure's announced size is accepted.
TEST(PlatformId, ReportsTheNtFamily) {
  EXPECT_EQ(modDragForm::GetPlatformId(), static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
}

TEST_F(DragForm, OnlyALeftPressOnBackgroundOrVersionLabelStartsTheMove) {
  EXPECT_TRUE(PressMoves(Form().hWnd(), WM_LBUTTONDOWN));
  EXPECT_TRUE(PressMoves(Form().hWnd(), WM_LBUTTONDOWN, InPicture(Form(), IDC_imgVersion)));
  EXPECT_EQ(GetCapture(), nullptr) << "the press's capture was released";

  // No other press moves the window. Left presses on the logo and the marks are clicks in the making: released away from them,
  // they do nothing at all.
  for (int id : {IDC_Image5, IDC_imgClose, IDC_imgMini, IDC_Image1, IDC_Image2, IDC_Image3}) {
    EXPECT_FALSE(PressMoves(Form().hWnd(), WM_LBUTTONDOWN, InPicture(Form(), id))) << id;
    Mouse(Form().hWnd(), WM_LBUTTONUP, InPicture(Form(), id, -50, -50));
  }
  EXPECT_FALSE(PressMoves(Form().lstGames(), WM_LBUTTONDOWN));
  Mouse(Form().lstGames(), WM_LBUTTONUP, {5, 5});
  EXPECT_FALSE(PressMoves(Form().hWnd(), WM_MBUTTONDOWN)) << "middle button";
  {
    MenuWatcher menus;  // the right button opens the menu instead
    EXPECT_FALSE(PressMoves(Form().hWnd(), WM_RBUTTONDOWN));
    EXPECT_EQ(menus.Seen().size(), 1u);
  }
  EXPECT_TRUE(Form().Loaded());
  EXPECT_FALSE(IsIconic(Form().hWnd()));
  EXPECT_EQ(Boxes().SeenCount(), 0u);
}
