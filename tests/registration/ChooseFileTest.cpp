// Choosing the head file: the file-open dialog and files dropped onto the box and the Games list.
#include <cstring>

#include "RegFixture.h"
#include "app/frmMain.h"

#include <dlgs.h>
#include <shlobj.h>

using namespace regtest;

namespace {

// A shell file list as a drop hands it over: DROPFILES followed by ANSI names, double-NUL ended.
HDROP MakeDrop(const std::vector<std::string>& files) {
  std::string names;
  for (const std::string& file : files) names += file + '\0';
  names += '\0';
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size());
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = FALSE;
  std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(), names.size());
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

class ChooseFileTest : public RegistrationTest {
 protected:
  // Drops the files onto a control as the shell does; the window frees the drop.
  void DropOn(HWND control, const std::vector<std::string>& files) {
    SendMessageW(control, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(files)), 0);
  }

  void ExpectRegisterQuestion(size_t index, const std::string& path) {
    const std::vector<BoxInfo> seen = Boxes().Seen();
    ASSERT_GT(seen.size(), index);
    EXPECT_EQ(seen[index].caption, L"Register?");
    EXPECT_EQ(seen[index].text, L"Would you like to register this head?\r\n(" + W(path) + L")");
    EXPECT_EQ(seen[index].icon, BoxIcon::Question) << IconName(seen[index].icon);
    EXPECT_EQ(seen[index].buttons, (std::vector<int>{IDYES, IDNO, IDCANCEL}));
  }
};

// The file name box of the open dialog (an edit, or a combo box with an edit in it).
HWND FileNameBox(HWND dialog) {
  for (int id : {cmb13, edt1})
    if (HWND box = GetDlgItem(dialog, id); box && IsWindowVisible(box)) return box;
  return nullptr;
}

TEST_F(ChooseFileTest, BrowsePutsTheChosenPathIntoTheBox) {
  const std::string chess = Head("chess.ocx");
  std::wstring caption;
  bool typed = false;
  Boxes().Handle([&](const BoxInfo& box) {
    caption = box.caption;
    HWND name = FileNameBox(box.hwnd);
    if (!name) return false;
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(W(chess).c_str()));
    typed = true;
    DialogAnswerer::Press(box.hwnd, IDOK);
    return true;
  });
  Form().Image1_Click();
  EXPECT_EQ(caption, L"Select OCX File ");
  ASSERT_TRUE(typed) << "no file name box in the dialog";
  EXPECT_EQ(Form().FileBoxText(), W(chess));
  EXPECT_FALSE(Registered(Chess())) << "choosing a file registers nothing";
}

TEST_F(ChooseFileTest, CancelledBrowseChangesNothing) {
  Form().SetFileBoxText(L"C:\\heads\\before.ocx");
  Form().SetPanelText(L"panel before");
  Boxes().Answer(IDCANCEL);
  Form().Image1_Click();
  EXPECT_EQ(Boxes().SeenCount(), 1u);
  EXPECT_EQ(Form().FileBoxText(), L"C:\\heads\\before.ocx");
  EXPECT_EQ(Form().PanelText(), L"panel before");
}

TEST_F(ChooseFileTest, DropOnTheBoxTakesOnlyNamesEndingInOcx) {
  const std::string capitals = dir_ + "CHESS.OCX";
  DropOn(Form().txtOCXFile(), {capitals});
  EXPECT_EQ(Form().FileBoxText(), W(capitals)) << "kept as dropped, capitals and all";

  DropOn(Form().txtOCXFile(), {dir_ + "notes.txt"});
  EXPECT_EQ(Form().FileBoxText(), W(capitals));
  DropOn(Form().txtOCXFile(), {});
  EXPECT_EQ(Form().FileBoxText(), W(capitals));

  DropOn(Form().txtOCXFile(), {dir_ + "report.docx", dir_ + "other.ocx"});
  EXPECT_EQ(Form().FileBoxText(), W(dir_ + "report.docx")) << "the last three letters decide";
  DropOn(Form().txtOCXFile(), {dir_ + "notes.txt", dir_ + "darts.ocx"});
  EXPECT_EQ(Form().FileBoxText(), W(dir_ + "report.docx")) << "only the first file counts";
  EXPECT_EQ(Boxes().SeenCount(), 0u);
}

TEST_F(ChooseFileTest, DropOnTheListAsksAboutTheFirstFile) {
  const std::string chess = Head("chess.ocx");
  const std::string darts = Head("darts.ocx");
  Form().SetFileBoxText(L"C:\\heads\\before.ocx");

  Boxes().Answer(IDCANCEL);
  DropOn(Form().lstGames(), {chess, darts});
  ASSERT_EQ(Boxes().SeenCount(), 1u);
  ExpectRegisterQuestion(0, chess);
  EXPECT_EQ(Form().FileBoxText(), L"C:\\heads\\before.ocx") << "Cancel changes nothing";

  DropOn(Form().lstGames(), {dir_ + "notes.txt", chess});
  EXPECT_EQ(Boxes().SeenCount(), 1u) << "a first file that is no head is not asked about";

  Boxes().Answer(IDNO);
  DropOn(Form().lstGames(), {darts, chess});
  ExpectRegisterQuestion(1, darts);
  EXPECT_EQ(Form().FileBoxText(), W(darts)) << "No fills the box";
  EXPECT_FALSE(Registered(Darts())) << "No registers nothing";
  EXPECT_FALSE(Form().Timer1Enabled());
}

TEST_F(ChooseFileTest, YesOnTheListRegistersTheHead) {
  const std::string chess = Head("chess.ocx");
  Boxes().Answer(IDYES);
  DropOn(Form().lstGames(), {chess});
  ExpectRegisterQuestion(0, chess);
  EXPECT_EQ(Form().FileBoxText(), W(chess));
  EXPECT_EQ(PanelLines(), (Lines{L"Checking File...", L"Attempting to register file...", L"Process Successful."}));
  EXPECT_TRUE(Registered(Chess()));
  EXPECT_TRUE(Form().Timer1Enabled());
}

}  // namespace
