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

// A dialog as it came up: caption, client size, owner, check box, and its controls in window
// order (the tab order) as "id|caption|left,top,width,height|tab stop".
struct DialogView {
  HWND hwnd = nullptr, owner = nullptr;
  std::wstring caption;
  RECT client{};
  bool ownerEnabled = false, ticked = false;
  std::vector<std::wstring> controls;
};

DialogView ViewOf(HWND dialog, int checkBox) {
  DialogView v{dialog, GetWindow(dialog, GW_OWNER), TextOf(dialog)};
  GetClientRect(dialog, &v.client);
  v.ownerEnabled = v.owner && IsWindowEnabled(v.owner);
  v.ticked = SendMessageW(GetDlgItem(dialog, checkBox), BM_GETCHECK, 0, 0) == BST_CHECKED;
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    RECT r;
    GetWindowRect(c, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    v.controls.push_back(std::to_wstring(GetDlgCtrlID(c)) + L"|" + TextOf(c) + L"|" + std::to_wstring(r.left) + L"," +
                         std::to_wstring(r.top) + L"," + std::to_wstring(r.right - r.left) + L"," +
                         std::to_wstring(r.bottom - r.top) + ((GetWindowLongW(c, GWL_STYLE) & WS_TABSTOP) ? L"|tab" : L""));
  }
  return v;
}

// The expected view of a control placed in twips.
std::wstring Control(int id, const std::wstring& caption, int left, int top, int width, int height, bool tab) {
  return std::to_wstring(id) + L"|" + caption + L"|" + std::to_wstring(left / 15) + L"," + std::to_wstring(top / 15) +
         L"," + std::to_wstring(width / 15) + L"," + std::to_wstring(height / 15) + (tab ? L"|tab" : L"");
}

void ClickControl(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

enum class Close { Yes, No, CloseBox };

class Forms : public ShellTest {
 protected:
  void TearDown() override {
    form_.reset();
    ShellTest::TearDown();
  }

  // Plans the user's answer to the next dialog: record it, click the check box or not, close it.
  void Answer(DialogView& view, int checkBox, bool click, Close close, int button = 0) {
    Boxes().Handle([this, &view, checkBox, click, close, button](const BoxInfo& box) {
      view = ViewOf(box.hwnd, checkBox);
      mainShown_ = form_ && IsWindowVisible(form_->hWnd());
      if (click) ClickControl(box.hwnd, checkBox);
      if (close == Close::CloseBox)
        PostMessageW(box.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
      else
        DialogAnswerer::Press(box.hwnd, button ? button : close == Close::Yes ? IDYES : IDNO);
      return true;
    });
  }
  void AnswerPrompt(bool tick, Close close) { Answer(prompt_, frmAssociate::chkAsk, tick, close); }
  void AnswerOptions(bool click, bool ok) {
    Answer(options_, frmOptions::chkAssociate, click, ok ? Close::Yes : Close::CloseBox, frmOptions::cmdOK);
  }

  // A main window in this process, started as the program starts it; its load runs the check.
  void StartMainWindow() {
    form_.reset();
    form_ = std::make_unique<frmMain>();
    form_->Show();
  }
  void StartQuietMainWindow() {
    testenv::SuppressAssociatePrompt();
    StartMainWindow();
  }
  void ShowOptions() { frmOptions::ShowModal(form_->hWnd()); }

  std::unique_ptr<frmMain> form_;
  DialogView prompt_, options_;
  bool mainShown_ = true;
};

}  // namespace

TEST_F(Forms, FirstStartShowsThePromptBeforeTheWindow) {
  AnswerPrompt(false, Close::No);
  StartMainWindow();
  ASSERT_EQ(Boxes().SeenCount(), 1u);
  EXPECT_EQ(prompt_.caption, L"Associate VP Head/Game Files?");
  EXPECT_EQ(prompt_.client.right, 4350 / 15);
  EXPECT_EQ(prompt_.client.bottom, 1950 / 15);
  EXPECT_EQ(prompt_.owner, nullptr);
  EXPECT_FALSE(mainShown_);
  EXPECT_FALSE(prompt_.ticked);
  EXPECT_EQ(prompt_.controls,
            (std::vector<std::wstring>{
                Control(frmAssociate::cmdYes, L"Yes", 525, 1020, 1305, 330, true),
                Control(frmAssociate::cmdNo, L"No", 2445, 1020, 1305, 330, true),
                Control(frmAssociate::chkAsk, L"Do not ask me this again.", 1125, 1500, 2220, 270, true),
                Control(frmAssociate::Label1,
                        L"Would you like to associate VP Game/Head Files (.ocx) with this Installer/Uninstaller?",
                        495, 315, 3315, 510, false)}));
  EXPECT_TRUE(IsWindowVisible(form_->hWnd())) << "loading goes on after the prompt";
  EXPECT_EQ(AssociateMsg(), "<none>");
  EXPECT_FALSE(testenv::KeyExists(HKEY_CLASSES_ROOT, ".ocx"));
}

TEST_F(Forms, StartUpStateTable) {
  const std::string moved = testenv::CopyInto(ExePath(), testenv::TestDir(), "VeskInstaller.exe");
  std::string upper = ExePath();
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  const struct {
    const char* what;
    const char* fileType;  // null: no association at all
    std::string command;
    const char* setting;  // null: absent
    bool prompt;
  } cases[] = {
      {"associated", "OCX_FileType", ExePath() + " %1", nullptr, false},
      {"associated, setting not read", "OCX_FileType", ExePath() + " %1", "0", false},
      {"associated, path in other case", "OCX_FileType", upper + " %1", nullptr, false},
      {"associated, quoted command", "OCX_FileType", "\"" + ExePath() + "\" %1", nullptr, false},
      {"nothing", nullptr, "", nullptr, true},
      {"nothing, setting 1", nullptr, "", "1", false},
      {"nothing, setting other than 1", nullptr, "", "0", true},
      {"moved program", "OCX_FileType", moved + " %1", nullptr, true},
      {"moved program, setting 1", "OCX_FileType", moved + " %1", "1", false},
      {"command's file gone", "OCX_FileType", "C:\\vesktest\\gone\\VeskInstaller.exe %1", nullptr, true},
      {"another file type", "ocxfile", ExePath() + " %1", nullptr, true},
      {"file type in other case", "ocx_filetype", ExePath() + " %1", nullptr, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CleanState();
    if (c.fileType) StoreAssociation(c.fileType, c.command);
    if (c.setting) testenv::SetSz(HKEY_CURRENT_USER, kSettingsKey, "AssociateMsg", c.setting);
    const size_t before = Boxes().SeenCount();
    if (c.prompt) AnswerPrompt(false, Close::No);
    StartMainWindow();
    ASSERT_EQ(Boxes().SeenCount(), before + (c.prompt ? 1 : 0));
    if (c.prompt) EXPECT_EQ(Boxes().Seen().back().caption, frmAssociate::kCaption);
  }
}

TEST_F(Forms, NoWithDoNotAskTickedSavesOneAndWritesNothing) {
  AssocNotices notices;
  AnswerPrompt(true, Close::No);
  StartMainWindow();
  EXPECT_EQ(AssociateMsg(), "1");
  EXPECT_FALSE(testenv::KeyExists(HKEY_CLASSES_ROOT, ".ocx"));
  EXPECT_FALSE(testenv::KeyExists(HKEY_CLASSES_ROOT, "OCX_FileType"));
  EXPECT_EQ(notices.Count(), 0);

  AnswerPrompt(true, Close::CloseBox);  // the close box saves the tick as well
  CleanState();
  StartMainWindow();
  EXPECT_EQ(Boxes().SeenCount(), 2u);
  EXPECT_EQ(AssociateMsg(), "1");
}

TEST_F(Forms, YesWritesTheAssociationAndNotifies) {
  AssocNotices notices;
  AnswerPrompt(false, Close::Yes);
  StartMainWindow();
  EXPECT_EQ(ClassesValue(".ocx"), "OCX_FileType");
  EXPECT_EQ(ClassesValue("OCX_FileType"), "Active X Control");
  EXPECT_EQ(ClassesValue("OCX_FileType\\DefaultIcon"), ExePath() + ",0");
  EXPECT_EQ(ClassesValue(kCommandKey), ExePath() + " %1");
  EXPECT_EQ(notices.Count(), 1);
  EXPECT_EQ(AssociateMsg(), "<none>");
}

TEST_F(Forms, OptionsDesignAndItsCloseBoxChangesNothing) {
  StartQuietMainWindow();
  ClassesWatch watch;
  AnswerOptions(true, false);
  ShowOptions();
  EXPECT_EQ(options_.caption, L"Options");
  EXPECT_EQ(options_.client.right, 4065 / 15);
  EXPECT_EQ(options_.client.bottom, 1485 / 15);
  EXPECT_EQ(options_.owner, form_->hWnd());
  EXPECT_FALSE(options_.ownerEnabled) << "modal";
  EXPECT_FALSE(options_.ticked);
  EXPECT_EQ(options_.controls,
            (std::vector<std::wstring>{Control(frmOptions::cmdOK, L"OK", 1372, 960, 1320, 345, true),
                                       Control(frmOptions::chkAssociate,
                                               L" Associate .ocx files with the installer/uninstaller.", 195, 315,
                                               3750, 360, true)}));
  EXPECT_FALSE(watch.Changed());
}

TEST_F(Forms, OptionsOkWithoutChangeWritesNothing) {
  for (const char* fileType : {"OCX_FileType", "ocxfile"}) {
    SCOPED_TRACE(fileType);
    StoreAssociation(fileType, ExePath() + " %1");
    StartQuietMainWindow();
    AssocNotices notices;
    ClassesWatch watch;
    AnswerOptions(false, true);
    ShowOptions();
    EXPECT_EQ(options_.ticked, std::string(fileType) == "OCX_FileType");
    EXPECT_FALSE(watch.Changed());
    EXPECT_EQ(notices.Count(), 0);
  }
}

TEST_F(Forms, OptionsUntickingPointsOcxBackAndKeepsTheFileType) {
  StoreAssociation("OCX_FileType", ExePath() + " %1");
  StartQuietMainWindow();
  AssocNotices notices;
  AnswerOptions(true, true);
  ShowOptions();
  EXPECT_TRUE(options_.ticked);
  EXPECT_EQ(ClassesValue(".ocx"), "ocxfile");
  EXPECT_EQ(ClassesValue("OCX_FileType"), "Active X Control");
  EXPECT_EQ(ClassesValue(kCommandKey), ExePath() + " %1");
  EXPECT_EQ(notices.Count(), 2) << "the removal's notice and the dialog's";
}

TEST_F(Forms, OptionsAfterAMoveTickingWritesTheNewPath) {
  StoreAssociation("OCX_FileType", testenv::CopyInto(ExePath(), testenv::TestDir()) + " %1");
  StartQuietMainWindow();
  AssocNotices notices;
  AnswerOptions(true, true);
  ShowOptions();
  EXPECT_FALSE(options_.ticked);
  EXPECT_EQ(ClassesValue(kCommandKey), ExePath() + " %1");
  EXPECT_EQ(ClassesValue("OCX_FileType\\DefaultIcon"), ExePath() + ",0");
  EXPECT_EQ(notices.Count(), 1);
}

TEST_F(Forms, UnloadingTheMainWindowClosesTheOptionsDialogWithoutChange) {
  StartQuietMainWindow();
  ClassesWatch watch;
  Boxes().Handle([&](const BoxInfo& box) {
    options_ = ViewOf(box.hwnd, frmOptions::chkAssociate);
    ClickControl(box.hwnd, frmOptions::chkAssociate);
    PostMessageW(form_->hWnd(), WM_CLOSE, 0, 0);
    return true;
  });
  ShowOptions();
  EXPECT_FALSE(form_->Loaded());
  EXPECT_FALSE(IsWindow(options_.hwnd));
  EXPECT_FALSE(watch.Changed());
}

// The user at the Settings menu: waits for it to open, reads its items, presses the keys, and
// presses them again while it stays open (keys that come before the menu is ready are lost).
TEST_F(Forms, SettingsMenuOffersOptionsAndOpensTheDialog) {
  StartQuietMainWindow();
  for (const bool choose : {true, false}) {
    SCOPED_TRACE(choose ? "chosen" : "dismissed");
    if (choose) AnswerOptions(false, false);
    std::wstring item;
    int items = 0;
    HWND main = form_->hWnd();
    std::thread user([&] {
      auto openMenu = [] {
        HWND menu = FindWindowW(L"#32768", nullptr);
        return menu && IsWindowVisible(menu) ? menu : nullptr;
      };
      HWND menu = nullptr;
      for (int wait = 0; !(menu = openMenu()) && wait < 250; ++wait) Sleep(20);
      if (!menu) return;
      Sleep(100);
      HMENU shown = reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0));
      items = GetMenuItemCount(shown);
      wchar_t text[64] = {};
      GetMenuStringW(shown, 0, text, 64, MF_BYPOSITION);
      item = text;
      for (int attempt = 0; attempt < 5 && openMenu(); ++attempt, Sleep(300))
        for (WPARAM key : choose ? std::vector<WPARAM>{VK_DOWN, VK_RETURN} : std::vector<WPARAM>{VK_ESCAPE})
          PostMessageW(main, WM_KEYDOWN, key, 1);
    });
    frmOptions::PopupSettingsMenu(main);
    user.join();
    EXPECT_EQ(item, L"&Options");
    EXPECT_EQ(items, 1);
    EXPECT_EQ(Boxes().SeenCount(), 1u) << "only choosing the item opens the dialog";
  }
  EXPECT_EQ(options_.owner, form_->hWnd());
}
