// The whole program, started as its own process and worked only as a user works it: the mouse at
// the places of its pictures, typing, dropped files and answers to its boxes and dialogs.
// The typical road leaves a screenshot of each step in the build's e2e-shots folder.
// Boxes are checked by caption, text and buttons; their icons are checked by the tests inside the
// program's process, since an icon handle of another process cannot be compared here.
#include <gtest/gtest.h>

#include "Driver.h"
#include "app/Controls.h"
#include "app/MsgBox.h"

using namespace e2e;
using namespace testenv;

namespace {

// The chess test head and the keys that its registration writes.
const char kGames[] = "Software\\CLASSES\\Software\\Ubique\\VPgames32";
const char kChessEntry[] = "Software\\CLASSES\\Software\\Ubique\\VPgames32\\Chess";
const char kChessClass[] = "CLSID\\{1E5A294C-7B3D-4C11-9A2E-6F01C3D5B7A1}";
// The rest of its id family: keys without sub-keys of their own.
const char* const kChessFamily[] = {
    "CLSID\\{1E5A294D-7B3D-4C11-9A2E-6F01C3D5B7A1}", "Interface\\{1E5A294B-7B3D-4C11-9A2E-6F01C3D5B7A1}",
    "Interface\\{1E5A294A-7B3D-4C11-9A2E-6F01C3D5B7A1}", "TypeLib\\{1E5A2949-7B3D-4C11-9A2E-6F01C3D5B7A1}",
};

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

bool Contains(const std::vector<std::wstring>& items, const std::wstring& item) {
  return std::find(items.begin(), items.end(), item) != items.end();
}

// Places on the window, in client pixels: bare metal below the list, and the title strip.
constexpr POINT kBackground{300, 350};
constexpr POINT kTitleStrip{100, 10};

class UserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SuppressAssociatePrompt();
    DeleteTree(HKEY_LOCAL_MACHINE, kGames);
    DeleteTree(HKEY_CLASSES_ROOT, kChessClass);
    for (const char* key : kChessFamily) DeleteTree(HKEY_CLASSES_ROOT, key);
    dir_ = TestDir();
    head_ = CopyInto(HeadPath("chess.ocx"), dir_);
    ASSERT_TRUE(FileExists(head_)) << "the test heads are built next to the tests";
  }

  void TearDown() override {
    if (program_) EXPECT_EQ(program_->Boxes().Unexpected(), 0u) << "a box or dialog that the test did not expect";
    program_.reset();
  }

  Program& Start(const std::string& arguments = "") {
    program_ = std::make_unique<Program>(arguments);
    EXPECT_TRUE(program_->Main()) << "the program shows its window";
    return *program_;
  }

  // Saves the window as the user sees it now: <build>\e2e-shots\<test>-<step>.bmp.
  void Shot(const std::string& step) const {
    const std::string folder = ExeDir() + "..\\e2e-shots\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    program_->Screenshot(folder + test + "-" + step + ".bmp");
  }

  bool WaitFor(const std::function<bool()>& cond, DWORD ms = 10000) const { return PumpUntil(cond, ms); }
  bool PanelHas(const std::wstring& text) const {
    return program_->Text(IDC_txtMain).find(text) != std::wstring::npos;
  }

  std::string dir_;
  std::string head_;
  std::unique_ptr<Program> program_;
};

}  // namespace

TEST_F(UserTest, TypicalRoad) {
  Program& p = Start();
  ASSERT_TRUE(WaitFor([&] { return p.ListItems().empty() && p.Text(IDC_txtOCXFile).empty(); }));
  Shot("1-started");

  // Pick the head: type its path into the head file box; the panel shows its details.
  p.Click(IDC_txtOCXFile, 40, 10);
  p.Type(Wide(head_));
  ASSERT_TRUE(WaitFor([&] { return PanelHas(L"Currently Selected File Info: "); }))
      << "box: " << p.Text(IDC_txtOCXFile) << "\npanel: " << p.Text(IDC_txtMain);
  EXPECT_EQ(p.Text(IDC_txtOCXFile), Wide(head_));
  EXPECT_TRUE(PanelHas(L"   FileName:  chess.ocx\r\n"));
  EXPECT_TRUE(PanelHas(L"   Company Name:  Vesk Test Heads\r\n"));
  EXPECT_TRUE(PanelHas(L"   Product Version:  1.2.0.4\r\n"));
  EXPECT_TRUE(PanelHas(L"   Description:  Chess head\r\n"));
  Shot("2-picked");

  // Register: the log in the panel, and after the refresh the head's entry in the Games list.
  p.Click(IDC_Image2, 50, 12);
  ASSERT_TRUE(WaitFor([&] { return Contains(p.ListItems(), L"Chess"); }));
  EXPECT_EQ(p.Text(IDC_txtMain), L"Checking File...\r\nAttempting to register file...\r\nProcess Successful.\r\n");
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kChessEntry));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, std::string(kChessClass) + "\\InprocServer32"));
  for (const char* key : kChessFamily) EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
  Shot("3-registered");

  // Select the entry: its registered file is there, so it becomes the head file again.
  const auto items = p.ListItems();
  const int chess = static_cast<int>(std::find(items.begin(), items.end(), L"Chess") - items.begin());
  p.Click(IDC_txtOCXFile, 40, 10);
  p.Type(L"x");  // spoil the box, so that the selection visibly puts the path back
  p.ClickListItem(chess);
  ASSERT_TRUE(WaitFor([&] { return p.Text(IDC_txtOCXFile) == Wide(head_); }));
  EXPECT_EQ(p.ListSelection(), chess);
  EXPECT_TRUE(WaitFor([&] { return PanelHas(L"   FileName:  chess.ocx\r\n"); }));
  Shot("4-selected");

  // The head file goes away. Unregister says so, and the list is refreshed (which clears the
  // selection, so that the entry can be selected again: a click on the entry that is already
  // selected is no new selection).
  ASSERT_TRUE(DeleteFileA(head_.c_str()));
  p.Boxes().Answer(IDOK);
  p.Click(IDC_Image3, 50, 12);
  ASSERT_TRUE(p.Boxes().WaitForSeen(1, 10000));
  const BoxInfo missing = p.Boxes().Seen()[0];
  EXPECT_EQ(missing.caption, L"Check Path...");
  EXPECT_EQ(missing.text, Wide(head_) + L" Does Not Exist. Please check filename...");
  EXPECT_EQ(missing.buttons, std::vector<int>{IDOK});
  ASSERT_TRUE(WaitFor([&] { return p.ListSelection() == LB_ERR; })) << "the list was reloaded";
  EXPECT_EQ(p.Text(IDC_txtMain), L"Checking File...\r\n");

  // Selecting the entry again offers to remove it.
  p.Boxes().Handle([&](const BoxInfo& box) {
    Shot("5-asked");
    DialogAnswerer::Press(box.hwnd, IDYES);
    return true;
  });
  p.ClickListItem(chess);
  ASSERT_TRUE(p.Boxes().WaitForSeen(2, 10000));
  const BoxInfo asked = p.Boxes().Seen()[1];
  EXPECT_EQ(asked.caption, L"TypeLib Not Found");
  EXPECT_EQ(asked.text,
            L"The current selection is no longer functioning properly.\r\n"
            L"Would you like to remove it from your games list?");
  EXPECT_EQ(asked.buttons, (std::vector<int>{IDYES, IDNO}));

  // The entry leaves the list at the next refresh, and its keys are gone, the class key with its
  // server and type library keys included.
  ASSERT_TRUE(WaitFor([&] { return !Contains(p.ListItems(), L"Chess"); }));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kChessEntry));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kChessClass));
  for (const char* key : kChessFamily) EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
  Shot("6-removed");
}

TEST_F(UserTest, DroppedHeadsAndTheOpenDialog) {
  Program& p = Start();
  // Dropped on the head file box: its name goes into the box, capitals and all.
  const std::string capitals = CopyInto(head_, dir_, "CHESS COPY.OCX");
  p.Drop(IDC_txtOCXFile, {capitals, head_});
  ASSERT_TRUE(WaitFor([&] { return p.Text(IDC_txtOCXFile) == Wide(capitals); }));
  EXPECT_TRUE(WaitFor([&] { return PanelHas(L"   Description:  Chess head\r\n"); }));
  // A file that is no head changes nothing.
  WriteFileBytes(dir_ + "notes.txt", "x");
  p.Drop(IDC_txtOCXFile, {dir_ + "notes.txt"});
  PumpFor(500);
  EXPECT_EQ(p.Text(IDC_txtOCXFile), Wide(capitals));

  // Dropped on the Games list: asked first; Yes fills the box and registers at once.
  p.Boxes().Answer(IDYES);
  p.Drop(IDC_lstGames, {head_});
  ASSERT_TRUE(WaitFor([&] { return Contains(p.ListItems(), L"Chess"); }));
  const BoxInfo asked = p.Boxes().Seen().at(0);
  EXPECT_EQ(asked.caption, L"Register?");
  EXPECT_EQ(asked.text, L"Would you like to register this head?\r\n(" + Wide(head_) + L")");
  EXPECT_EQ(asked.buttons, (std::vector<int>{IDYES, IDNO, IDCANCEL}));
  EXPECT_EQ(p.Text(IDC_txtOCXFile), Wide(head_));
  EXPECT_EQ(p.Text(IDC_txtMain), L"Checking File...\r\nAttempting to register file...\r\nProcess Successful.\r\n");

  // The Open button's dialog: the user types the file's name and presses Open.
  p.Boxes().Handle([&](const BoxInfo& box) {
    EXPECT_EQ(box.caption, L"Select OCX File ");
    HWND name = GetDlgItem(box.hwnd, 0x47C);  // the file name combo box of the dialog
    if (!name) name = GetDlgItem(box.hwnd, 0x480);
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(capitals).c_str()));
    DialogAnswerer::Press(box.hwnd, IDOK);
    return true;
  });
  p.Click(IDC_Image1, 25, 10);
  ASSERT_TRUE(WaitFor([&] { return p.Text(IDC_txtOCXFile) == Wide(capitals); }, 20000));
  EXPECT_EQ(p.Boxes().SeenCount(), 2u);
}

TEST_F(UserTest, DraggingTheBackgroundMovesTheWindow) {
  Program& p = Start();
  auto origin = [&] {
    const RECT r = p.WindowRect();
    return POINT{r.left, r.top};
  };
  auto dragBy = [&](int id, POINT at, int dx, int dy) {
    const POINT from = p.ScreenPoint(id, at.x, at.y);
    p.Drag(from, POINT{from.x + dx, from.y + dy});
  };
  const POINT start = origin();
  dragBy(0, kBackground, -60, -40);
  EXPECT_EQ(origin().x, start.x - 60);
  EXPECT_EQ(origin().y, start.y - 40);
  dragBy(0, kTitleStrip, 30, 25);
  EXPECT_EQ(origin().x, start.x - 30);
  EXPECT_EQ(origin().y, start.y - 15);
  dragBy(IDC_imgVersion, POINT{30, 5}, 30, 15);
  EXPECT_EQ(origin().x, start.x);
  EXPECT_EQ(origin().y, start.y) << "the version label moves the window too";

  // Presses on the logo and the marks do not move it; released away from them they do nothing.
  for (int id : {IDC_Image5, IDC_imgClose, IDC_imgMini}) {
    dragBy(id, POINT{5, 5}, -80, 60);
    EXPECT_EQ(origin().x, start.x) << id;
    EXPECT_EQ(origin().y, start.y) << id;
  }
  EXPECT_TRUE(p.Running());
  EXPECT_FALSE(IsIconic(p.Main()));
  EXPECT_EQ(p.Boxes().SeenCount(), 0u);
}

TEST_F(UserTest, HoverPictures) {
  Program& p = Start();
  auto lit = [&](int id) {
    const Program::Colours c = p.ColoursOver(id);
    return c.magenta > 20 && c.green == 0;
  };
  auto plain = [&](int id) {
    const Program::Colours c = p.ColoursOver(id);
    return c.magenta == 0;
  };
  auto states = [&] {
    std::string s;
    for (int id : {IDC_Image1, IDC_Image2, IDC_Image3}) s += lit(id) ? 'h' : plain(id) ? 'n' : '?';
    return s;
  };
  auto after = [&](const std::string& expected) { return WaitFor([&] { return states() == expected; }, 3000); };
  EXPECT_TRUE(after("nnn"));
  p.MoveTo(IDC_Image1, 25, 10);
  EXPECT_TRUE(after("hnn")) << states();
  p.MoveTo(IDC_Image2, 50, 12);
  EXPECT_TRUE(after("hhn")) << states();
  Shot("register-lit");
  p.MoveTo(IDC_Image3, 50, 12);
  EXPECT_TRUE(after("hnh")) << states();
  p.MoveTo(IDC_txtOCXFile, 40, 10);
  EXPECT_TRUE(after("nnh")) << states();
  p.MoveTo(IDC_lstGames, 40, 40);
  PumpFor(300);
  EXPECT_EQ(states(), "nnh") << "the list changes no picture";
  p.MoveTo(0, kBackground.x, kBackground.y);
  EXPECT_TRUE(after("nnn")) << states();
}

TEST_F(UserTest, RightClickOpensTheOptionsMenuOnlyWhereItBelongs) {
  Program& p = Start();
  auto menuAfterRightClick = [&](int id, POINT at) {
    p.RightClick(id, at.x, at.y);
    const bool opened = WaitFor([&] { return !OpenMenus(p.Id()).empty(); }, 1500);
    if (opened) {
      p.PressKey(VK_ESCAPE);
      EXPECT_TRUE(WaitFor([&] { return OpenMenus(p.Id()).empty(); }, 3000)) << "Escape closes the menu";
    }
    return opened;
  };
  EXPECT_TRUE(menuAfterRightClick(0, kBackground));
  EXPECT_TRUE(menuAfterRightClick(IDC_imgVersion, POINT{30, 5}));
  EXPECT_TRUE(menuAfterRightClick(IDC_lstGames, POINT{40, 100}));
  for (int id : {IDC_Image5, IDC_imgClose, IDC_imgMini, IDC_Image1, IDC_Image2, IDC_Image3})
    EXPECT_FALSE(menuAfterRightClick(id, POINT{5, 5})) << id;

  // The menu's one item, chosen by its key, opens the Options dialog.
  p.Boxes().Handle([&](const BoxInfo& box) {
    Shot("options");
    DialogAnswerer::Press(box.hwnd, IDCANCEL);
    return true;
  });
  p.RightClick(0, kBackground.x, kBackground.y);
  ASSERT_TRUE(WaitFor([&] { return !OpenMenus(p.Id()).empty(); }, 3000));
  p.PressKey('O');
  ASSERT_TRUE(p.Boxes().WaitForSeen(1, 10000));
  EXPECT_EQ(p.Boxes().Seen()[0].caption, L"Options");
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(p.Boxes().Seen()[0].hwnd); }, 5000));
  EXPECT_TRUE(p.Running());
}

TEST_F(UserTest, CloseMarkEndsTheProcessAndMinimiseMarkMinimises) {
  Program& p = Start();
  p.Click(IDC_imgMini, 8, 7);
  EXPECT_TRUE(WaitFor([&] { return IsIconic(p.Main()) != FALSE; }, 5000));
  ShowWindow(p.Main(), SW_RESTORE);  // as the task bar would
  ASSERT_TRUE(WaitFor([&] { return !IsIconic(p.Main()); }, 5000));
  PumpFor(300);
  p.Click(IDC_imgClose, 8, 7);
  EXPECT_EQ(p.WaitExit(15000), std::optional<DWORD>(0));
}

TEST_F(UserTest, SecondStartHandsItsPathOver) {
  Program& first = Start();
  Process second("\"" + ProgramPath() + "\" \"" + head_ + "\"");
  EXPECT_EQ(second.WaitExit(30000), std::optional<DWORD>(0)) << "the second start ends";
  ASSERT_TRUE(WaitFor([&] { return first.Text(IDC_txtOCXFile) == Wide(head_); })) << first.Text(IDC_txtOCXFile);
  EXPECT_TRUE(WaitFor([&] { return PanelHas(L"   FileName:  chess.ocx\r\n"); }));
  EXPECT_TRUE(first.Running());
}
