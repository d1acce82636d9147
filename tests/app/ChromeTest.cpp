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

// A bitmap's size and its counts of pure green and pure magenta pixels.
struct Pixels {
  LONG width, height;
  int green = 0, magenta = 0;
};

Pixels CountColours(HBITMAP bitmap) {
  BITMAP info{};
  GetObjectW(bitmap, sizeof info, &info);
  BITMAPINFO bi{};
  bi.bmiHeader = BITMAPINFOHEADER{sizeof bi.bmiHeader, info.bmWidth, -info.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<DWORD> pixels(static_cast<size_t>(info.bmWidth) * static_cast<size_t>(info.bmHeight));
  HDC dc = GetDC(nullptr);
  GetDIBits(dc, bitmap, 0, static_cast<UINT>(info.bmHeight), pixels.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  Pixels c{info.bmWidth, info.bmHeight};
  for (DWORD p : pixels) {
    c.green += (p & 0xFFFFFF) == 0x00FF00;
    c.magenta += (p & 0xFFFFFF) == 0xFF00FF;
  }
  return c;
}

// Points the shell's web browser (the "http" protocol's open verb) at a command of the test's own.
void SetBrowserCommand(const std::string& command) {
  SetSz(HKEY_CLASSES_ROOT, "http", "URL Protocol", "");
  SetSz(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", "", command);
  DeleteTree(HKEY_CLASSES_ROOT, "http\\shell\\open\\ddeexec");
}

void ExpectBox(const BoxInfo& box, const std::wstring& caption, const std::wstring& text, BoxIcon icon,
               const std::vector<int>& buttons) {
  EXPECT_EQ(box.caption, caption);
  EXPECT_EQ(box.text, text);
  EXPECT_EQ(box.icon, icon);
  EXPECT_EQ(box.buttons, buttons);
}

class Chrome : public MainWindowTest {
 protected:
  // Mouse input on a picture goes to the main window at a point inside the picture.
  void OnPicture(int id, UINT msg) { Mouse(Form().hWnd(), msg, InPicture(Form(), id)); }
  void ClickPicture(int id) { Click(Form().hWnd(), InPicture(Form(), id)); }
  HBITMAP Shown(int id) { return Form().Picture(id).Picture(); }

  // What the three buttons Image1, Image2, Image3 show: 'n' normal, 'h' highlighted.
  std::string Buttons() {
    auto state = [&](int button, int normal, int highlighted) {
      return Shown(button) == Shown(normal) ? 'n' : Shown(button) == Shown(highlighted) ? 'h' : '?';
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
    const Pixels c = CountColours(Shown(e.holder));
    distinct.insert(Shown(e.holder));
    EXPECT_EQ(std::make_pair(c.width, c.height), std::make_pair(e.width, e.height)) << e.holder;
    // Text and rim: green when normal, magenta when highlighted, never both.
    EXPECT_GT(e.highlighted ? c.magenta : c.green, 20) << e.holder;
    EXPECT_EQ(e.highlighted ? c.green : c.magenta, 0) << e.holder;
  }
  EXPECT_EQ(distinct.size(), 7u);

  HBITMAP skin = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SKIN));
  const Pixels s = CountColours(skin);
  EXPECT_EQ(std::make_pair(s.width, s.height), std::make_pair(LONG{427}, LONG{358}));
  DeleteObject(skin);
  EXPECT_TRUE(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON, 48, 48, 0));
}

TEST_F(Chrome, HoverTable) {
  EXPECT_EQ(Buttons(), "nnn") << "every button starts normal";
  // Moves in order onto a picture, a child window or (0) the background, and the state after each:
  // the head file box returns Open to normal only, other controls and pictures change nothing,
  // the background returns all three to normal.
  const std::pair<int, const char*> moves[] = {
      {IDC_Image1, "hnn"},     {IDC_Image2, "hhn"},     {IDC_Image3, "hnh"},     {IDC_Image2, "hhn"},
      {IDC_txtOCXFile, "nhn"}, {IDC_Image1, "hhn"},     {IDC_lstGames, "hhn"},   {IDC_txtMain, "hhn"},
      {IDC_Image5, "hhn"},     {IDC_imgVersion, "hhn"}, {IDC_imgClose, "hhn"},   {IDC_imgMini, "hhn"},
      {0, "nnn"},              {0, "nnn"}};
  for (const auto& [id, after] : moves) {
    if (id >= kFirstPicture) OnPicture(id, WM_MOUSEMOVE);
    else Mouse(id ? GetDlgItem(Form().hWnd(), id) : Form().hWnd(), WM_MOUSEMOVE);
    EXPECT_EQ(Buttons(), after) << "after moving onto " << id;
  }
}

TEST_F(Chrome, MinimiseAndCloseMarks) {
  Mouse(Form().hWnd(), WM_LBUTTONDOWN, InPicture(Form(), IDC_imgMini));
  Mouse(Form().hWnd(), WM_LBUTTONUP, InPicture(Form(), IDC_imgMini, -40, 30));
  EXPECT_FALSE(IsIconic(Form().hWnd())) << "released outside the mark: no click";
  EXPECT_EQ(GetCapture(), nullptr) << "the release ends the press's capture";
  ClickPicture(IDC_imgMini);
  EXPECT_TRUE(IsIconic(Form().hWnd()));
  EXPECT_TRUE(Form().Loaded());
  ShowWindow(Form().hWnd(), SW_RESTORE);

  HWND form = Form().hWnd();
  ClickPicture(IDC_imgClose);
  EXPECT_FALSE(Form().Loaded());
  EXPECT_FALSE(IsWindow(form));
  EXPECT_EQ(FindWindowA(nullptr, frmMain::kCaption), nullptr);
}

TEST_F(Chrome, HomepageQuestionNoDoesNothingYesOpensTheHomepageAndAFailureIsReported) {
  const std::string marker = TestDir() + "browser.txt";
  SetBrowserCommand("C:\\windows\\system32\\cmd.exe /c echo %1> " + marker);
  Boxes().Answer(IDNO);
  ClickPicture(IDC_Image5);
  ASSERT_EQ(Boxes().SeenCount(), 1u);
  ExpectBox(Boxes().Seen()[0], L"Go To Vesk?", L"Would you like to visit the Vesk homepage now?", BoxIcon::Question,
            {IDYES, IDNO});
  PumpFor(1500);
  EXPECT_FALSE(FileExists(marker)) << "no browser was started";

  Boxes().Answer(IDYES);
  ClickPicture(IDC_Image5);
  ASSERT_TRUE(PumpUntil([&] { return ReadFileBytes(marker).find(kHomepage) != std::string::npos; }, 20000))
      << "the browser command was given the homepage: " << ReadFileBytes(marker);
  EXPECT_EQ(Boxes().SeenCount(), 2u) << "no failure message";

  SetBrowserCommand("C:\\no such folder\\browser.exe %1");
  Boxes().Answer(IDYES);
  Boxes().Answer(IDOK);
  ClickPicture(IDC_Image5);
  ASSERT_EQ(Boxes().SeenCount(), 4u);
  ExpectBox(Boxes().Seen()[3], kAppTitle, L"Unable to launch your web browser.", BoxIcon::None, {IDOK});
}

TEST_F(Chrome, SettingsMenuOpensForTheRightButtonOnBackgroundVersionLabelAndListOnly) {
  {
    MenuWatcher menus;
    Mouse(Form().hWnd(), WM_RBUTTONDOWN, {300, 350});
    OnPicture(IDC_imgVersion, WM_RBUTTONDOWN);
    Mouse(Form().lstGames(), WM_RBUTTONDOWN, {20, 200});
    const auto seen = menus.Seen();
    ASSERT_EQ(seen.size(), 3u);
    for (const auto& items : seen) EXPECT_EQ(items, std::vector<std::wstring>{L"&Options"});
  }
  MenuWatcher menus;
  for (int id : {IDC_Image5, IDC_imgClose, IDC_imgMini, IDC_Image1, IDC_Image2, IDC_Image3})
    OnPicture(id, WM_RBUTTONDOWN);
  Mouse(Form().hWnd(), WM_MBUTTONDOWN, {300, 350});
  Mouse(Form().lstGames(), WM_MBUTTONDOWN, {20, 200});
  PumpFor(300);
  EXPECT_TRUE(menus.Seen().empty()) << "no menu on the logo, marks or buttons, nor for the middle button";
  EXPECT_TRUE(Form().Loaded());
}
