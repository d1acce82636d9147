// The start-up prompt and the Options dialog, driven as a user drives them: real dialog windows,
// their check boxes clicked and their buttons pressed.
#include <thread>

#include "ShellFixture.h"
#include "app/frmMain.h"
#include "shell/frmAssociate.h"
#include "shell/frmOptions.h"

using namespace shelltest;

namespace {

std::wstring TextOf(HWND hwnd) {
  wchar_t text[256] = {};
  GetWindowTextW(hwnd, text, 256);
  return text;
}

// "id|caption|left,top,width,height", with "|tab" for a tab stop.
std::wstring Placed(int id, const std::wstring& caption, int left, int top, int width, int height, bool tab) {
  return std::to_wstring(id) + L"|" + caption + L"|" + std::to_wstring(left) + L"," + std::to_wstring(top) + L"," +
         std::to_wstring(width) + L"," + std::to_wstring(height) + (tab ? L"|tab" : L"");
}
// The same of a control placed in twips.
std::wstring Control(int id, const std::wstring& caption, int left, int top, int width, int height, bool tab) {
  return Placed(id, caption, left / 15, top / 15, width / 15, height / 15, tab);
}

class Forms : public ShellTest {
 protected:
  void TearDown() override {
    form_.reset();
    ShellTest::TearDown();
  }

  // Plans the user's answer to the next dialog: record it as it came up, click the check box or
  // not, then press the button; 0 presses the close box, -1 closes the main window beneath it.
  void Answer(int checkBox, bool click, int button) {
    Boxes().Handle([this, checkBox, click, button](const BoxInfo& box) {
      dialog_ = box.hwnd;
      owner_ = GetWindow(box.hwnd, GW_OWNER);
      ownerEnabled_ = owner_ && IsWindowEnabled(owner_);
      ticked_ = SendMessageW(GetDlgItem(box.hwnd, checkBox), BM_GETCHECK, 0, 0) == BST_CHECKED;
      themed_ = testenv::ThemedControl(GetDlgItem(box.hwnd, checkBox));
      mainShown_ = form_ && IsWindowVisible(form_->hWnd());
      // The layout: the dialog itself first (id 0, caption, client size), then its controls in
      // window order (the tab order).
      RECT r;
      GetClientRect(box.hwnd, &r);
      layout_ = {Placed(0, TextOf(box.hwnd), 0, 0, r.right, r.bottom, false)};
      for (HWND c = GetWindow(box.hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, box.hwnd, reinterpret_cast<POINT*>(&r), 2);
        layout_.push_back(Placed(GetDlgCtrlID(c), TextOf(c), r.left, r.top, r.right - r.left, r.bottom - r.top,
                                 GetWindowLongW(c, GWL_STYLE) & WS_TABSTOP));
      }
      if (click) SendMessageW(GetDlgItem(box.hwnd, checkBox), BM_CLICK, 0, 0);
      if (button > 0)
        DialogAnswerer::Press(box.hwnd, button);
      else if (button == 0)
        PostMessageW(box.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
      else
        PostMessageW(form_->hWnd(), WM_CLOSE, 0, 0);
      return true;
    });
  }

  // A main window in this process, started as the program starts it; its load runs the check,
  // unless quiet saves first the setting that skips the prompt.
  void StartMainWindow(bool quiet = false) {
    if (quiet) testenv::SuppressAssociatePrompt();
    form_.reset();
    form_ = std::make_unique<frmMain>();
    form_->Show();
  }

  std::unique_ptr<frmMain> form_;
  HWND dialog_ = nullptr, owner_ = nullptr;
  bool ownerEnabled_ = false, ticked_ = false, mainShown_ = true, themed_ = false;
  std::vector<std::wstring> layout_;
};

}  // namespace

// Each state the program can start in, and each answer to the prompt when it comes: the prompt
// comes before the window, which loads on after it.
TEST_F(Forms, StartUpStateTable) {
  const std::string moved = testenv::CopyInto(ExePath(), testenv::TestDir(), "VeskInstaller.exe");
  std::string upper = ExePath();
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  const struct {
    const char* what;
    const char* fileType;  // null: no association at all
    std::string command;
    const char* setting;  // null: absent
    int answer;           // -1: no prompt; 0: its close box
    bool tick;
  } cases[] = {
      {"associated", "OCX_FileType", ExePath() + " %1", nullptr, -1, false},
      {"associated, setting not read", "OCX_FileType", ExePath() + " %1", "0", -1, false},
      {"associated, path in other case", "OCX_FileType", upper + " %1", nullptr, -1, false},
      {"associated, quoted command", "OCX_FileType", "\"" + ExePath() + "\" %1", nullptr, -1, false},
      {"nothing", nullptr, "", nullptr, IDNO, false},
      {"nothing, setting 1", nullptr, "", "1", -1, false},
      {"nothing, setting other than 1", nullptr, "", "0", IDNO, false},
      {"moved program", "OCX_FileType", moved + " %1", nullptr, IDNO, false},
      {"moved program, setting 1", "OCX_FileType", moved + " %1", "1", -1, false},
      {"command's file gone", "OCX_FileType", "C:\\vesktest\\gone\\VeskInstaller.exe %1", nullptr, IDNO, false},
      {"another file type", "ocxfile", ExePath() + " %1", nullptr, IDNO, false},
      {"file type in other case", "ocx_filetype", ExePath() + " %1", nullptr, IDNO, false},
      {"No, do not ask ticked", nullptr, "", nullptr, IDNO, true},
      {"close box, do not ask ticked", nullptr, "", nullptr, 0, true},
      {"Yes", nullptr, "", nullptr, IDYES, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CleanState();
    if (c.fileType) StoreAssociation(c.fileType, c.command);
    if (c.setting) testenv::SetSz(HKEY_CURRENT_USER, kSettingsKey, "AssociateMsg", c.setting);
    AssocNotices notices;
    const size_t before = Boxes().SeenCount();
    const bool prompt = c.answer >= 0, yes = c.answer == IDYES;
    if (prompt) Answer(frmAssociate::chkAsk, c.tick, c.answer);
    StartMainWindow();
    ASSERT_EQ(Boxes().SeenCount(), before + (prompt ? 1 : 0));
    EXPECT_TRUE(IsWindowVisible(form_->hWnd()));
    EXPECT_EQ(AssociateMsg(), c.tick ? "1" : c.setting ? c.setting : "<none>");
    EXPECT_EQ(notices.Count(), yes ? 1 : 0);
    if (!c.fileType) EXPECT_EQ(testenv::KeyExists(HKEY_CLASSES_ROOT, ".ocx"), yes);
    if (!c.fileType) EXPECT_EQ(testenv::KeyExists(HKEY_CLASSES_ROOT, "OCX_FileType"), yes);
    if (!prompt) continue;
    EXPECT_EQ(Boxes().Seen().back().caption, frmAssociate::kCaption);
    EXPECT_FALSE(mainShown_);
  }
  // Yes came last: its association is in place.
  EXPECT_EQ(ClassesValue(".ocx"), "OCX_FileType");
  EXPECT_EQ(ClassesValue("OCX_FileType"), "Active X Control");
  EXPECT_EQ(ClassesValue("OCX_FileType\\DefaultIcon"), ExePath() + ",0");
  EXPECT_EQ(ClassesValue(kCommandKey), ExePath() + " %1");
  EXPECT_EQ(owner_, nullptr);
  EXPECT_FALSE(ticked_);
  EXPECT_TRUE(themed_) << "the prompt's controls have the themed look";
  EXPECT_EQ(layout_,
            (std::vector<std::wstring>{
                Control(0, frmAssociate::kCaption, 0, 0, 4350, 1950, false),
                Control(frmAssociate::cmdYes, L"Yes", 525, 1020, 1305, 330, true),
                Control(frmAssociate::cmdNo, L"No", 2445, 1020, 1305, 330, true),
                Control(frmAssociate::chkAsk, L"Do not ask me this again.", 1125, 1500, 2220, 270, true),
                Control(frmAssociate::Label1,
                        L"Would you like to associate VP Game/Head Files (.ocx) with this Installer/Uninstaller?",
                        495, 315, 3315, 510, false)}));
}

// The Options dialog over each association: the tick it shows, and what clicking it and closing
// with OK or the close box writes; unloading the main window closes it without change.
TEST_F(Forms, OptionsTable) {
  const std::string here = ExePath() + " %1", moved = testenv::CopyInto(ExePath(), testenv::TestDir()) + " %1";
  const struct {
    const char* what;
    const char* fileType;  // null: no association at all
    std::string command;
    bool click;
    int button;  // as Answer takes it
    bool ticked;
    int notices;  // none: nothing written at all
    const char* ocx;
  } cases[] = {
      {"close box", nullptr, "", true, 0, false, 0, "<none>"},
      {"main window unloaded", nullptr, "", true, -1, false, 0, "<none>"},
      {"OK unchanged, associated", "OCX_FileType", here, false, IDOK, true, 0, "OCX_FileType"},
      {"OK unchanged, another type", "ocxfile", here, false, IDOK, false, 0, "ocxfile"},
      {"unticked: the removal's notice and the dialog's", "OCX_FileType", here, true, IDOK, true, 2, "ocxfile"},
      {"ticked after a move: the new path", "OCX_FileType", moved, true, IDOK, false, 1, "OCX_FileType"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CleanState();
    if (c.fileType) StoreAssociation(c.fileType, c.command);
    StartMainWindow(true);
    AssocNotices notices;
    ClassesWatch watch;
    Answer(frmOptions::chkAssociate, c.click, c.button);
    const HWND main = form_->hWnd();
    frmOptions::ShowModal(main);
    EXPECT_FALSE(IsWindow(dialog_));
    EXPECT_EQ(form_->Loaded(), c.button >= 0);
    EXPECT_EQ(ticked_, c.ticked);
    EXPECT_EQ(owner_, main);
    EXPECT_FALSE(ownerEnabled_) << "modal";
    EXPECT_EQ(notices.Count(), c.notices);
    EXPECT_EQ(watch.Changed(), c.notices > 0);
    EXPECT_EQ(ClassesValue(".ocx"), c.ocx);
    if (c.notices) EXPECT_EQ(ClassesValue("OCX_FileType"), "Active X Control");
    if (c.notices) EXPECT_EQ(ClassesValue(kCommandKey), here);
  }
  // The move came last: the icon follows the new path too.
  EXPECT_EQ(ClassesValue("OCX_FileType\\DefaultIcon"), ExePath() + ",0");
  EXPECT_EQ(layout_,
            (std::vector<std::wstring>{
                Control(0, frmOptions::kCaption, 0, 0, 4065, 1485, false),
                Control(frmOptions::cmdOK, L"OK", 1372, 960, 1320, 345, true),
                Control(frmOptions::chkAssociate, L" Associate .ocx files with the installer/uninstaller.", 195, 315,
                        3750, 360, true)}));
}

// The user at the Settings menu: waits for it to open, reads its items, presses the keys, and
// presses them again while it stays open (keys that come before the menu is ready are lost).
TEST_F(Forms, SettingsMenuOffersOptionsAndOpensTheDialog) {
  StartMainWindow(true);
  const HWND main = form_->hWnd();
  for (const bool choose : {true, false}) {
    SCOPED_TRACE(choose ? "chosen" : "dismissed");
    if (choose) Answer(frmOptions::chkAssociate, false, 0);
    wchar_t item[64] = {};
    int items = 0;
    std::thread user([&] {
      auto openMenu = [] {
        HWND menu = FindWindowW(L"#32768", nullptr);
        return menu && IsWindowVisible(menu) ? menu : nullptr;
      };
      HWND menu = nullptr;
      for (int wait = 0; !(menu = openMenu()) && wait < 250; ++wait) Sleep(20);
      Sleep(100);
      HMENU shown = reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0));
      items = GetMenuItemCount(shown);
      GetMenuStringW(shown, 0, item, 64, MF_BYPOSITION);
      for (int attempt = 0; attempt < 5 && openMenu(); ++attempt, Sleep(300))
        for (WPARAM key : choose ? std::vector<WPARAM>{VK_DOWN, VK_RETURN} : std::vector<WPARAM>{VK_ESCAPE})
          PostMessageW(main, WM_KEYDOWN, key, 1);
    });
    frmOptions::PopupSettingsMenu(main);
    user.join();
    EXPECT_EQ(std::wstring(item), L"&Options");
    EXPECT_EQ(items, 1);
    EXPECT_EQ(Boxes().SeenCount(), 1u) << "only choosing the item opens the dialog";
  }
  EXPECT_EQ(owner_, main);
}
