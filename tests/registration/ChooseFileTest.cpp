// Choosing the head file: the file-open dialog and files dropped onto the box and the Games list.
#include <cstring>

#include "RegFixture.h"

#include <dlgs.h>
#include <shlobj.h>

using namespace regtest;

namespace {

class ChooseFileTest : public RegistrationTest {
 protected:
  // Drops the files onto a control as the shell does: DROPFILES followed by ANSI names, double-NUL
  // ended. The window frees the drop.
  void DropOn(HWND control, const std::vector<std::string>& files) {
    std::string names;
    for (const std::string& file : files) names += file + '\0';
    names += '\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size());
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(), names.size());
    GlobalUnlock(memory);
    SendMessageW(control, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
  }

  void ExpectRegisterQuestion(size_t index, const std::string& path) {
    ExpectBox(index, L"Register?", L"Would you like to register this head?\r\n(" + W(path) + L")", BoxIcon::Question,
              {IDYES, IDNO, IDCANCEL});
  }
};

TEST_F(ChooseFileTest, BrowsePutsTheChosenPathIntoTheBoxUnlessCancelled) {
  Form().SetFileBoxText(L"C:\\heads\\before.ocx");
  Form().SetPanelText(L"panel before");
  Boxes().Answer(IDCANCEL);
  Form().Image1_Click();
  EXPECT_EQ(Boxes().SeenCount(), 1u);
  EXPECT_EQ(Form().FileBoxText(), L"C:\\heads\\before.ocx");
  EXPECT_EQ(Form().PanelText(), L"panel before");

  const std::string chess = Head("chess.ocx");
  std::wstring caption;
  bool typed = false, themed = false;
  Boxes().Handle([&](const BoxInfo& box) {
    caption = box.caption;
    themed = testenv::ThemedControl(GetDlgItem(box.hwnd, IDOK));
    // The file name box is an edit, or a combo box with an edit in it.
    for (int id : {cmb13, edt1}) {
      if (HWND name = GetDlgItem(box.hwnd, id); name && IsWindowVisible(name)) {
        SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(W(chess).c_str()));
        typed = true;
        DialogAnswerer::Press(box.hwnd, IDOK);
        return true;
      }
    }
    return false;
  });
  Form().Image1_Click();
  EXPECT_EQ(caption, L"Select OCX File ");
  ASSERT_TRUE(typed) << "no file name box in the dialog";
  EXPECT_TRUE(themed) << "the dialog's buttons have the themed look";
  EXPECT_EQ(Form().FileBoxText(), W(chess));
  EXPECT_FALSE(Registered(Chess())) << "choosing a file registers nothing";
}

TEST_F(ChooseFileTest, DropOnTheBoxTakesOcxNamesAndOnTheListAsksAboutTheFirstFile) {
  // On the box only a first name ending in ocx counts.
  const std::string capitals = dir_ + "CHESS.OCX";
  DropOn(Form().txtOCXFile(), {capitals});
  EXPECT_EQ(Form().FileBoxText(), W(capitals)) << "kept as dropped, capitals and all";
  for (const std::vector<std::string>& ignored : {std::vector<std::string>{dir_ + "notes.txt"}, {}}) {
    DropOn(Form().txtOCXFile(), ignored);
    EXPECT_EQ(Form().FileBoxText(), W(capitals));
  }
  DropOn(Form().txtOCXFile(), {dir_ + "report.docx", dir_ + "other.ocx"});
  EXPECT_EQ(Form().FileBoxText(), W(dir_ + "report.docx")) << "the last three letters decide";
  DropOn(Form().txtOCXFile(), {dir_ + "notes.txt", dir_ + "darts.ocx"});
  EXPECT_EQ(Form().FileBoxText(), W(dir_ + "report.docx")) << "only the first file counts";
  EXPECT_EQ(Boxes().SeenCount(), 0u);

  // On the Games list a head is asked about; the box keeps its text until the answer is No or Yes.
  const std::string chess = Head("chess.ocx"), darts = Head("darts.ocx");
  Boxes().Answer(IDCANCEL);
  DropOn(Form().lstGames(), {chess, darts});
  ASSERT_EQ(Boxes().SeenCount(), 1u);
  ExpectRegisterQuestion(0, chess);
  EXPECT_EQ(Form().FileBoxText(), W(dir_ + "report.docx")) << "Cancel changes nothing";

  DropOn(Form().lstGames(), {dir_ + "notes.txt", chess});
  EXPECT_EQ(Boxes().SeenCount(), 1u) << "a first file that is no head is not asked about";

  Boxes().Answer(IDNO);
  DropOn(Form().lstGames(), {darts, chess});
  ExpectRegisterQuestion(1, darts);
  EXPECT_EQ(Form().FileBoxText(), W(darts)) << "No fills the box";
  EXPECT_FALSE(Registered(Darts())) << "No registers nothing";
  EXPECT_FALSE(Form().Timer1Enabled());

  Boxes().Answer(IDYES);
  DropOn(Form().lstGames(), {chess});
  ExpectRegisterQuestion(2, chess);
  EXPECT_EQ(Form().FileBoxText(), W(chess));
  EXPECT_EQ(PanelLines(), (Lines{L"Checking File...", L"Attempting to register file...", L"Process Successful."}));
  EXPECT_TRUE(Registered(Chess()));
  EXPECT_TRUE(Form().Timer1Enabled());
}

}  // namespace
