// The whole program, started as its own process and worked only as a user works it: the mouse at
// the places of its pictures, typing, dropped files and answers to its boxes and dialogs.
// The typical road leaves a screenshot of each step in the build's e2e-shots folder.
// Boxes are checked by caption, text and buttons; their icons are checked by the tests inside the
// program's process, since an icon handle of another process cannot be compared here.
#include <gtest/gtest.h>

#include <functional>

#include "Driver.h"

using namespace e2e;
using namespace testenv;

namespace {

// The chess test head and the keys that its registration writes.
const char kGames[] = "Software\\CLASSES\\Software\\Ubique\\VPgames32";
const char kChessEntry[] = "Software\\CLASSES\\Software\\Ubique\\VPgames32\\Chess";
// Its id family: the class key first, then keys without sub-keys of their own.
const char* const kChessKeys[] = {
    "CLSID\\{1E5A294C-7B3D-4C11-9A2E-6F01C3D5B7A1}",
    "CLSID\\{1E5A294D-7B3D-4C11-9A2E-6F01C3D5B7A1}", "Interface\\{1E5A294B-7B3D-4C11-9A2E-6F01C3D5B7A1}",
    "Interface\\{1E5A294A-7B3D-4C11-9A2E-6F01C3D5B7A1}", "TypeLib\\{1E5A2949-7B3D-4C11-9A2E-6F01C3D5B7A1}",
};
const wchar_t kRegisteredLog[] = L"Checking File...\r\nAttempting to register file...\r\nProcess Successful.\r\n";

// Places on the window, in client pixels: bare metal below the list, and the title strip.
constexpr POINT kBackground{300, 350};
constexpr POINT kTitleStrip{100, 10};

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

bool Contains(const std::vector<std::wstring>& items, const std::wstring& item) {
  return std::find(items.begin(), items.end(), item) != items.end();
}

bool WaitFor(const std::function<bool()>& cond, DWORD ms = 10000) { return PumpUntil(cond, ms); }

void ExpectBox(const BoxInfo& box, const std::wstring& caption, const std::wstring& text,
               const std::vector<int>& buttons) {
  EXPECT_EQ(box.caption, caption);
  EXPECT_EQ(box.text, text);
  EXPECT_EQ(box.buttons, buttons);
}

// The chess entry and all its keys are there, or none of them (the class key with its server and
// type library keys included).
void ExpectChessKeys(bool registered) {
  EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, kChessEntry), registered);
  EXPECT_EQ(KeyExists(HKEY_CLASSES_ROOT, std::string(kChessKeys[0]) + "\\InprocServer32"), registered);
  for (const char* key : kChessKeys) EXPECT_EQ(KeyExists(HKEY_CLASSES_ROOT, key), registered) << key;
}

class UserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SuppressAssociatePrompt();
    DeleteTree(HKEY_LOCAL_MACHINE, kGames);
    for (const char* key : kChessKeys) DeleteTree(HKEY_CLASSES_ROOT, key);
    dir_ = TestDir();
    head_ = CopyInto(HeadPath("chess.ocx"), dir_);
    ASSERT_TRUE(FileExists(head_)) << "the test heads are built next to the tests";
    app = std::make_unique<Program>();
    ASSERT_TRUE(app->Main()) << "the program shows its window";
  }

  void TearDown() override {
    if (app) EXPECT_EQ(app->Boxes().Unexpected(), 0u) << "a box or dialog that the test did not expect";
  }

  // Saves the window as the user sees it now: <build>\e2e-shots\<test>-<step>.bmp.
  void Shot(const std::string& step) const {
    const std::string folder = ExeDir() + "..\\e2e-shots\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    app->Screenshot(folder + test + "-" + step + ".bmp");
  }

  bool PanelHas(const std::wstring& text) const { return app->Text(IDC_txtMain).find(text) != std::wstring::npos; }

  std::string dir_;
  std::string head_;
  std::unique_ptr<Program> app;
};

}  // namespace

TEST_F(UserTest, TypicalRoad) {
  ASSERT_TRUE(WaitFor([&] { return app->ListItems().empty() && app->Text(IDC_txtOCXFile).empty(); }));
  Shot("1-started");

  // Pick the head: type its path into the head file box; the panel shows its details.
  app->Click(IDC_txtOCXFile, 40, 10);
  app->Type(Wide(head_));
  ASSERT_TRUE(WaitFor([&] { return PanelHas(L"Currently Selected File Info: "); }))
      << "box: " << app->Text(IDC_txtOCXFile) << "\npanel: " << app->Text(IDC_txtMain);
  EXPECT_EQ(app->Text(IDC_txtOCXFile), Wide(head_));
  for (const wchar_t* line : {L"   FileName:  chess.ocx\r\n", L"   Company Name:  Vesk Test Heads\r\n",
                              L"   Product Version:  1.2.0.4\r\n", L"   Description:  Chess head\r\n"})
    EXPECT_TRUE(PanelHas(line)) << line;
  Shot("2-picked");

  // Register: the log in the panel, and after the refresh the head's entry in the Games list.
  app->Click(IDC_Image2, 50, 12);
  ASSERT_TRUE(WaitFor([&] { return Contains(app->ListItems(), L"Chess"); }));
  EXPECT_EQ(app->Text(IDC_txtMain), kRegisteredLog);
  ExpectChessKeys(true);
  Shot("3-registered");

  // Select the entry: its registered file is there, so it becomes the head file again.
  const auto items = app->ListItems();
  const int chess = static_cast<int>(std::find(items.begin(), items.end(), L"Chess") - items.begin());
  app->Click(IDC_txtOCXFile, 40, 10);
  app->Type(L"x");  // spoil the box, so that the selection visibly puts the path back
  app->ClickListItem(chess);
  ASSERT_TRUE(WaitFor([&] { return app->Text(IDC_txtOCXFile) == Wide(head_); }));
  EXPECT_EQ(app->ListSelection(), chess);
  EXPECT_TRUE(WaitFor([&] { return PanelHas(L"   FileName:  chess.ocx\r\n"); }));
  Shot("4-selected");

  // The head file goes away. Unregister says so, and the list is refreshed (which clears the
  // selection, so that the entry can be selected again: a click on the entry that is already
  // selected is no new selection).
  ASSERT_TRUE(DeleteFileA(head_.c_str()));
  app->Boxes().Answer(IDOK);
  app->Click(IDC_Image3, 50, 12);
  ASSERT_TRUE(app->Boxes().WaitForSeen(1, 10000));
  ExpectBox(app->Boxes().Seen()[0], L"Check Path...", Wide(head_) + L" Does Not Exist. Please check filename...",
            {IDOK});
  ASSERT_TRUE(WaitFor([&] { return app->ListSelection() == LB_ERR; })) << "the list was reloaded";
  EXPECT_EQ(app->Text(IDC_txtMain), L"Checking File...\r\n");

  // Selecting the entry again offers to remove it; it leaves the list at the next refresh.
  app->Boxes().Handle([&](const BoxInfo& box) {
    Shot("5-asked");
    DialogAnswerer::Press(box.hwnd, IDYES);
    return true;
  });
  app->ClickListItem(chess);
  ASSERT_TRUE(app->Boxes().WaitForSeen(2, 10000));
  ExpectBox(app->Boxes().Seen()[1], L"TypeLib Not Found",
            L"The current selection is no longer functioning properly.\r\n"
            L"Would you like to remove it from your games list?",
            {IDYES, IDNO});
  ASSERT_TRUE(WaitFor([&] { return !Contains(app->ListItems(), L"Chess"); }));
  ExpectChessKeys(false);
  Shot("6-removed");
}

TEST_F(UserTest, DroppedHeadsAndTheOpenDialog) {
  // Dropped on the head file box: its name goes into the box, capitals and all.
  const std::string capitals = CopyInto(head_, dir_, "CHESS COPY.OCX");
  app->Drop(IDC_txtOCXFile, {capitals, head_});
  ASSERT_TRUE(WaitFor([&] { return app->Text(IDC_txtOCXFile) == Wide(capitals); }));
  EXPECT_TRUE(WaitFor([&] { return PanelHas(L"   Description:  Chess head\r\n"); }));
  // A file that is no head changes nothing.
  WriteFileBytes(dir_ + "notes.txt", "x");
  app->Drop(IDC_txtOCXFile, {dir_ + "notes.txt"});
  PumpFor(500);
  EXPECT_EQ(app->Text(IDC_txtOCXFile), Wide(capitals));

  // Dropped on the Games list: asked first; Yes fills the box and registers at once.
  app->Boxes().Answer(IDYES);
  app->Drop(IDC_lstGames, {head_});
  ASSERT_TRUE(WaitFor([&] { return Contains(app->ListItems(), L"Chess"); }));
  ExpectBox(app->Boxes().Seen().at(0), L"Register?",
            L"Would you like to register this head?\r\n(" + Wide(head_) + L")", {IDYES, IDNO, IDCANCEL});
  EXPECT_EQ(app->Text(IDC_txtOCXFile), Wide(head_));
  EXPECT_EQ(app->Text(IDC_txtMain), kRegisteredLog);

  // The Open button's dialog: the user types the file's name and presses Open.
  app->Boxes().Handle([&](const BoxInfo& box) {
    EXPECT_EQ(box.caption, L"Select OCX File ");
    HWND name = GetDlgItem(box.hwnd, 0x47C);  // the file name combo box of the dialog
    if (!name) name = GetDlgItem(box.hwnd, 0x480);
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(capitals).c_str()));
    DialogAnswerer::Press(box.hwnd, IDOK);
    return true;
  });
  app->Click(IDC_Image1, 25, 10);
  ASSERT_TRUE(WaitFor([&] { return app->Text(IDC_txtOCXFile) == Wide(capitals); }, 20000));
  EXPECT_EQ(app->Boxes().SeenCount(), 2u);
}

TEST_F(UserTest, DraggingTheBackgroundMovesTheWindow) {
  const RECT start = app->WindowRect();
  // The background, the title strip and the version label move the window; presses on the logo
  // and the marks do not, and released away from them they do nothing.
  const struct {
    int id;
    POINT at;
    LONG dx, dy;
    std::pair<LONG, LONG> moved;  // from the start, after the drag
  } drags[] = {{0, kBackground, -60, -40, {-60, -40}},         {0, kTitleStrip, 30, 25, {-30, -15}},
               {IDC_imgVersion, {30, 5}, 30, 15, {0, 0}},       {IDC_Image5, {5, 5}, -80, 60, {0, 0}},
               {IDC_imgClose, {5, 5}, -80, 60, {0, 0}},         {IDC_imgMini, {5, 5}, -80, 60, {0, 0}}};
  for (const auto& d : drags) {
    const POINT from = app->ScreenPoint(d.id, d.at.x, d.at.y);
    app->Drag(from, POINT{from.x + d.dx, from.y + d.dy});
    const RECT now = app->WindowRect();
    EXPECT_EQ(std::make_pair(now.left - start.left, now.top - start.top), d.moved) << d.id;
  }
  EXPECT_TRUE(app->Running());
  EXPECT_FALSE(IsIconic(app->Main()));
}

TEST_F(UserTest, HoverPictures) {
  // Open, Register, Unregister: 'h' lit (magenta, no green), 'n' plain (no magenta).
  auto states = [&] {
    std::string s;
    for (int id : {IDC_Image1, IDC_Image2, IDC_Image3}) {
      const Program::Colours c = app->ColoursOver(id);
      s += c.magenta > 20 && c.green == 0 ? 'h' : c.magenta == 0 ? 'n' : '?';
    }
    return s;
  };
  EXPECT_TRUE(WaitFor([&] { return states() == "nnn"; }, 3000));
  // A picture stays lit until another one is; the list changes no picture.
  const struct {
    int id;
    POINT at;
    const char* states;
  } moves[] = {{IDC_Image1, {25, 10}, "hnn"},     {IDC_Image2, {50, 12}, "hhn"}, {IDC_Image3, {50, 12}, "hnh"},
               {IDC_txtOCXFile, {40, 10}, "nnh"}, {IDC_lstGames, {40, 40}, "nnh"}, {0, kBackground, "nnn"}};
  for (const auto& m : moves) {
    app->MoveTo(m.id, m.at.x, m.at.y);
    PumpFor(300);
    EXPECT_TRUE(WaitFor([&] { return states() == m.states; }, 3000)) << m.id << ": " << states();
    if (m.id == IDC_Image2) Shot("register-lit");
  }
}

TEST_F(UserTest, RightClickOpensTheOptionsMenuOnlyWhereItBelongs) {
  auto menuAfterRightClick = [&](int id, POINT at) {
    app->Click(id, at.x, at.y, true);
    const bool opened = WaitFor([&] { return !OpenMenus(app->Id()).empty(); }, 1500);
    if (opened) {
      app->PressKey(VK_ESCAPE);
      EXPECT_TRUE(WaitFor([&] { return OpenMenus(app->Id()).empty(); }, 3000)) << "Escape closes the menu";
    }
    return opened;
  };
  EXPECT_TRUE(menuAfterRightClick(0, kBackground));
  EXPECT_TRUE(menuAfterRightClick(IDC_imgVersion, POINT{30, 5}));
  EXPECT_TRUE(menuAfterRightClick(IDC_lstGames, POINT{40, 100}));
  for (int id : {IDC_Image5, IDC_imgClose, IDC_imgMini, IDC_Image1, IDC_Image2, IDC_Image3})
    EXPECT_FALSE(menuAfterRightClick(id, POINT{5, 5})) << id;

  // The menu's one item, chosen by its key, opens the Options dialog.
  app->Boxes().Handle([&](const BoxInfo& box) {
    Shot("options");
    DialogAnswerer::Press(box.hwnd, IDCANCEL);
    return true;
  });
  app->Click(0, kBackground.x, kBackground.y, true);
  ASSERT_TRUE(WaitFor([&] { return !OpenMenus(app->Id()).empty(); }, 3000));
  app->PressKey('O');
  ASSERT_TRUE(app->Boxes().WaitForSeen(1, 10000));
  EXPECT_EQ(app->Boxes().Seen()[0].caption, L"Options");
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(app->Boxes().Seen()[0].hwnd); }, 5000));
  EXPECT_TRUE(app->Running());
}

TEST_F(UserTest, CloseMarkEndsTheProcessAndMinimiseMarkMinimises) {
  app->Click(IDC_imgMini, 8, 7);
  EXPECT_TRUE(WaitFor([&] { return IsIconic(app->Main()) != FALSE; }, 5000));
  ShowWindow(app->Main(), SW_RESTORE);  // as the task bar would
  ASSERT_TRUE(WaitFor([&] { return !IsIconic(app->Main()); }, 5000));
  PumpFor(300);
  app->Click(IDC_imgClose, 8, 7);
  EXPECT_EQ(app->WaitExit(15000), std::optional<DWORD>(0));
}

TEST_F(UserTest, SecondStartHandsItsPathOver) {
  Process second("\"" + ProgramPath() + "\" \"" + head_ + "\"");
  EXPECT_EQ(second.WaitExit(30000), std::optional<DWORD>(0)) << "the second start ends";
  ASSERT_TRUE(WaitFor([&] { return app->Text(IDC_txtOCXFile) == Wide(head_); })) << app->Text(IDC_txtOCXFile);
  EXPECT_TRUE(WaitFor([&] { return PanelHas(L"   FileName:  chess.ocx\r\n"); }));
  EXPECT_TRUE(app->Running());
}
