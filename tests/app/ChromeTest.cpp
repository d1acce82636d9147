// The main window's chrome in this process: the pictures, hover highlighting, the close and
// minimise marks, the homepage logo and the right-click menu.
#include <gtest/gtest.h>

#include <set>

#include "ChromeProbes.h"
#include "TestEnv.h"
#include "app/Controls.h"
#include "app/MsgBox.h"
#include "app/PictureBox.h"
#include "app/frmMain.h"
#include "fileinfo/PanelTexts.h"
#include "res/resource.h"

using namespace testenv;

namespace {

struct Colours {
  int green = 0;    // pure green pixels
  int magenta = 0;  // pure magenta pixels
};

Colours CountColours(HBITMAP bitmap, SIZE& size) {
  BITMAP info{};
  GetObjectW(bitmap, sizeof info, &info);
  size = SIZE{info.bmWidth, info.bmHeight};
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = info.bmWidth;
  bi.bmiHeader.biHeight = -info.bmHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> pixels(static_cast<size_t>(info.bmWidth) * static_cast<size_t>(info.bmHeight));
  HDC dc = GetDC(nullptr);
  GetDIBits(dc, bitmap, 0, static_cast<UINT>(info.bmHeight), pixels.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  Colours c;
  for (DWORD p : pixels) {
    if ((p & 0xFFFFFF) == 0x00FF00) ++c.green;
    if ((p & 0xFFFFFF) == 0xFF00FF) ++c.magenta;
  }
  return c;
}

// Points the shell's web browser (the "http" protocol's open verb) at a command of the test's own.
void SetBrowserCommand(const std::string& command) {
  SetSz(HKEY_CLASSES_ROOT, "http", "URL Protocol", "");
  SetSz(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", "", command);
  DeleteTree(HKEY_CLASSES_ROOT, "http\\shell\\open\\ddeexec");
}

class Chrome : public MainWindowTest {
 protected:
  // Mouse input on a picture goes to the main window at a point inside the picture.
  void MoveOverPicture(int id) {
    const POINT at = InPicture(Form(), id);
    MoveOver(Form().hWnd(), at.x, at.y);
  }
  void ClickPicture(int id) {
    const POINT at = InPicture(Form(), id);
    Click(Form().hWnd(), at.x, at.y);
  }
  void PressPicture(int id, UINT downMessage) {
    const POINT at = InPicture(Form(), id);
    Press(Form().hWnd(), downMessage, at.x, at.y);
  }
  HBITMAP Shown(int id) { return Form().Picture(id).Picture(); }

  // What the three buttons Image1, Image2, Image3 show: 'n' normal, 'h' highlighted.
  std::string Buttons() {
    auto state = [&](int button, int normal, int highlighted) {
      if (Shown(button) == Shown(normal)) return 'n';
      return Shown(button) == Shown(highlighted) ? 'h' : '?';
    };
    return {state(IDC_Image1, IDC_imgSel, IDC_imgSelSel), state(IDC_Image2, IDC_imgReg, IDC_imgRegSel),
            state(IDC_Image3, IDC_imgUnReg, IDC_imgUnRegSel)};
  }
};

}  // namespace

TEST_F(Chrome, PicturesHaveTheirSizesAndColours) {
  struct Expected {
    int holder;
    LONG width, height;
    bool highlighted;
  };
  const Expected pictures[] = {
      {IDC_imgSel, 50, 20, false},     {IDC_imgSelSel, 50, 20, true},    {IDC_imgReg, 103, 24, false},
      {IDC_imgRegSel, 103, 24, true},  {IDC_imgUnReg, 103, 24, false},   {IDC_imgUnRegSel, 103, 24, true},
      {IDC_imgVersion, 70, 11, false},
  };
  std::set<HBITMAP> distinct;
  for (const Expected& e : pictures) {
    SIZE size{};
    const Colours c = CountColours(Shown(e.holder), size);
    distinct.insert(Shown(e.holder));
    EXPECT_EQ(size.cx, e.width) << e.holder;
    EXPECT_EQ(size.cy, e.height) << e.holder;
    // Text and rim: green when normal, magenta when highlighted, never both.
    EXPECT_GT(e.highlighted ? c.magenta : c.green, 20) << e.holder;
    EXPECT_EQ(e.highlighted ? c.green : c.magenta, 0) << e.holder;
  }
  EXPECT_EQ(distinct.size(), 7u);

  HBITMAP skin = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SKIN));
  SIZE size{};
  CountColours(skin, size);
  EXPECT_EQ(size.cx, 427);
  EXPECT_EQ(size.cy, 358);
  DeleteObject(skin);
  EXPECT_TRUE(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON, 48, 48, 0));
}

TEST_F(Chrome, HoverTable) {
  EXPECT_EQ(Buttons(), "nnn") << "every button starts normal";
  MoveOverPicture(IDC_Image1);
  EXPECT_EQ(Buttons(), "hnn");
  MoveOverPicture(IDC_Image2);
  EXPECT_EQ(Buttons(), "hhn");
  MoveOverPicture(IDC_Image3);
  EXPECT_EQ(Buttons(), "hnh") << "from Image2 straight onto Image3";
  MoveOverPicture(IDC_Image2);
  EXPECT_EQ(Buttons(), "hhn");
  MoveOver(Form().txtOCXFile());
  EXPECT_EQ(Buttons(), "nhn") << "the head file box returns Open to normal only";
  MoveOverPicture(IDC_Image1);
  EXPECT_EQ(Buttons(), "hhn");

  for (HWND other : {Form().lstGames(), Form().txtMain()}) {
    MoveOver(other);
    EXPECT_EQ(Buttons(), "hhn") << GetDlgCtrlID(other) << " changes no picture";
  }
  for (int other : {IDC_Image5, IDC_imgVersion, IDC_imgClose, IDC_imgMini}) {
    MoveOverPicture(other);
    EXPECT_EQ(Buttons(), "hhn") << other << " changes no picture";
  }

  MoveOver(Form().hWnd());
  EXPECT_EQ(Buttons(), "nnn") << "the background returns all three to normal";
  MoveOver(Form().hWnd());
  EXPECT_EQ(Buttons(), "nnn");
}

TEST_F(Chrome, CloseMarkUnloadsTheWindow) {
  HWND form = Form().hWnd();
  ClickPicture(IDC_imgClose);
  EXPECT_FALSE(Form().Loaded());
  EXPECT_FALSE(IsWindow(form));
  EXPECT_EQ(FindWindowA(nullptr, frmMain::kCaption), nullptr);
}

TEST_F(Chrome, MinimiseMarkMinimisesAndAPressReleasedElsewhereDoesNothing) {
  const POINT on = InPicture(Form(), IDC_imgMini), away = InPicture(Form(), IDC_imgMini, -40, 30);
  SendMessageW(Form().hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(on.x, on.y));
  SendMessageW(Form().hWnd(), WM_LBUTTONUP, 0, MAKELPARAM(away.x, away.y));
  EXPECT_FALSE(IsIconic(Form().hWnd())) << "released outside the mark: no click";
  EXPECT_EQ(GetCapture(), nullptr) << "the release ends the press's capture";

  ClickPicture(IDC_imgMini);
  EXPECT_TRUE(IsIconic(Form().hWnd()));
  EXPECT_TRUE(Form().Loaded());
  ShowWindow(Form().hWnd(), SW_RESTORE);
}

TEST_F(Chrome, HomepageQuestionAnsweredNoDoesNothing) {
  const std::string marker = TestDir() + "browser.txt";
  SetBrowserCommand("C:\\windows\\system32\\cmd.exe /c echo %1> " + marker);
  Boxes().Answer(IDNO);
  ClickPicture(IDC_Image5);
  ASSERT_EQ(Boxes().SeenCount(), 1u);
  const BoxInfo box = Boxes().Seen()[0];
  EXPECT_EQ(box.caption, L"Go To Vesk?");
  EXPECT_EQ(box.text, L"Would you like to visit the Vesk homepage now?");
  EXPECT_EQ(box.icon, BoxIcon::Question);
  EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
  PumpFor(1500);
  EXPECT_FALSE(FileExists(marker)) << "no browser was started";
  EXPECT_EQ(Boxes().SeenCount(), 1u);
}

TEST_F(Chrome, HomepageQuestionAnsweredYesOpensTheHomepage) {
  const std::string marker = TestDir() + "browser.txt";
  SetBrowserCommand("C:\\windows\\system32\\cmd.exe /c echo %1> " + marker);
  Boxes().Answer(IDYES);
  ClickPicture(IDC_Image5);
  ASSERT_TRUE(PumpUntil([&] { return ReadFileBytes(marker).find(kHomepage) != std::string::npos; }, 20000))
      << "the browser command was given the homepage: " << ReadFileBytes(marker);
  EXPECT_EQ(Boxes().SeenCount(), 1u) << "no failure message";
}

TEST_F(Chrome, HomepageThatCannotBeOpenedIsReported) {
  SetBrowserCommand("C:\\no such folder\\browser.exe %1");
  Boxes().Answer(IDYES);
  Boxes().Answer(IDOK);
  ClickPicture(IDC_Image5);
  ASSERT_EQ(Boxes().SeenCount(), 2u);
  const BoxInfo box = Boxes().Seen()[1];
  EXPECT_EQ(box.caption, kAppTitle);
  EXPECT_EQ(box.text, L"Unable to launch your web browser.");
  EXPECT_EQ(box.icon, BoxIcon::None);
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
}

TEST_F(Chrome, RightPressOpensTheSettingsMenuOnBackgroundVersionLabelAndList) {
  MenuWatcher menus;
  Press(Form().hWnd(), WM_RBUTTONDOWN, 300, 350);
  PressPicture(IDC_imgVersion, WM_RBUTTONDOWN);
  Press(Form().lstGames(), WM_RBUTTONDOWN, 20, 200);
  const auto seen = menus.Seen();
  ASSERT_EQ(seen.size(), 3u);
  for (const auto& items : seen) EXPECT_EQ(items, std::vector<std::wstring>{L"&Options"});
}

TEST_F(Chrome, NoMenuOnLogoMarksOrButtonsNorForTheMiddleButton) {
  MenuWatcher menus;
  for (int id : {IDC_Image5, IDC_imgClose, IDC_imgMini, IDC_Image1, IDC_Image2, IDC_Image3})
    PressPicture(id, WM_RBUTTONDOWN);
  Press(Form().hWnd(), WM_MBUTTONDOWN, 300, 350);
  Press(Form().lstGames(), WM_MBUTTONDOWN, 20, 200);
  PumpFor(300);
  EXPECT_TRUE(menus.Seen().empty());
  EXPECT_TRUE(Form().Loaded());
}
