// Moving the borderless main window: which presses start the system's move, and with what message.
#include <gtest/gtest.h>

#include "ChromeProbes.h"
#include "TestEnv.h"
#include "app/Controls.h"
#include "app/frmMain.h"
#include "app/modDragForm.h"

using namespace testenv;

namespace {

class DragForm : public MainWindowTest {
 protected:
  // Did a press on this window, at this point of its client area, start a move of the main window?
  bool PressMoves(HWND target, UINT downMessage, POINT at = POINT{2, 2}) {
    SentLog log;
    PressThatMayMove(target, downMessage, at.x, at.y);
    HWND form = Form().hWnd();
    const bool started = log.Saw(form, WM_NCLBUTTONDOWN, HTCAPTION);
    if (started) {
      EXPECT_TRUE(log.Saw(form, WM_SYSCOMMAND, SC_MOVE + HTCAPTION)) << "the caption press becomes a move";
      EXPECT_TRUE(log.Saw(form, WM_ENTERSIZEMOVE)) << "the system's move loop ran";
    }
    return started;
  }
};

}  // namespace

TEST(PlatformId, ReportsTheNtFamily) {
  // The system under test is of the NT family; the structure's announced size is accepted.
  EXPECT_EQ(modDragForm::GetPlatformId(), static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
}

TEST_F(DragForm, LeftPressOnBackgroundOrVersionLabelStartsTheMove) {
  EXPECT_TRUE(PressMoves(Form().hWnd(), WM_LBUTTONDOWN));
  EXPECT_TRUE(PressMoves(Form().hWnd(), WM_LBUTTONDOWN, InPicture(Form(), IDC_imgVersion)));
  EXPECT_EQ(GetCapture(), nullptr) << "the press's capture was released";
}

TEST_F(DragForm, PressesElsewhereDoNotMoveTheWindow) {
  // Left presses on the logo and the marks are clicks in the making: released away from them,
  // they do nothing at all.
  for (int id : {IDC_Image5, IDC_imgClose, IDC_imgMini, IDC_Image1, IDC_Image2, IDC_Image3}) {
    EXPECT_FALSE(PressMoves(Form().hWnd(), WM_LBUTTONDOWN, InPicture(Form(), id))) << id;
    const POINT away = InPicture(Form(), id, -50, -50);
    SendMessageW(Form().hWnd(), WM_LBUTTONUP, 0, MAKELPARAM(away.x, away.y));
  }
  EXPECT_FALSE(PressMoves(Form().lstGames(), WM_LBUTTONDOWN));
  SendMessageW(Form().lstGames(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
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
