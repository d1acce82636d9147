// The Register and Unregister commands: panel log, message boxes, refresh request, and the real
// registration of the well-behaved heads.
#include "RegFixture.h"

using namespace regtest;

namespace {

using RegCommandsTest = RegistrationTest;

TEST_F(RegCommandsTest, RegisterAndUnregisterGoodHeads) {
  for (const GoodHead* head : {&Chess(), &Darts()}) {
    SCOPED_TRACE(head->file);
    const std::string path = Head(head->file);
    Form().SetFileBoxText(W(path));
    Form().SetPanelText(L"Company Name: earlier details");
    for (bool unregister : {false, true}) {
      Click(unregister);
      EXPECT_EQ(PanelLines(), (Lines{L"Checking File...", unregister ? L"Attempting to unregister file..."
                                                                     : L"Attempting to register file...",
                                     L"Process Successful."}));
      EXPECT_EQ(Registered(*head), !unregister);
      EXPECT_TRUE(Form().Timer1Enabled());
      EXPECT_EQ(Form().FileBoxText(), W(path)) << "the box is only read";
      if (!unregister) {
        EXPECT_EQ(testenv::GetSz(HKEY_LOCAL_MACHINE, GamesEntry(*head), ""), head->classId);
        EXPECT_EQ(ServerPath(*head), path);
        EXPECT_EQ(testenv::GetSz(HKEY_CLASSES_ROOT, "CLSID\\" + head->classId + "\\TypeLib", ""), head->typeLibId);
      }
      Form().Timer1_Timer();
    }
  }
  EXPECT_EQ(Boxes().SeenCount(), 0u);
}

// An empty box, a missing file and a hidden one: each command shows its box, after the lines it
// logged first; only Register logs "OCX not found!" for a missing file, and after the box.
TEST_F(RegCommandsTest, NoUsableFileGetsABoxFromEachCommand) {
  const std::string gone = dir_ + "gone.ocx", hidden = Head("chess.ocx");
  testenv::SetAttributes(hidden, FILE_ATTRIBUTE_HIDDEN);
  const std::wstring checking = L"Checking File...\r\n", notFound = checking + L"OCX not found!\r\n";
  struct Case { std::wstring box, caption, text; BoxIcon icon; std::wstring atBox[2], after[2]; };
  const auto missing = [&](const std::string& path) {
    return Case{W(path), L"Check Path...", W(path) + L" Does Not Exist. Please check filename...", BoxIcon::Stop,
                {checking, checking}, {notFound, checking}};
  };
  const Case cases[] = {{L"", L"Enter Head file...", L"Please enter an ocx file first...", BoxIcon::Exclamation,
                         {notFound, notFound}, {notFound, notFound}},
                        missing(gone), missing(hidden)};
  size_t seen = 0;
  std::wstring atBox;
  for (const Case& c : cases) {
    Form().SetFileBoxText(c.box);
    for (int i = 0; i < 2; ++i) {
      SCOPED_TRACE(ToAnsi(c.box) + (i ? " Unregister" : " Register"));
      Boxes().Handle([&](const BoxInfo& box) {
        atBox = Form().PanelText();
        DialogAnswerer::Press(box.hwnd, IDOK);
        return true;
      });
      Click(i == 1);
      ExpectBox(seen++, c.caption, c.text, c.icon);
      EXPECT_EQ(atBox, c.atBox[i]);
      EXPECT_EQ(Form().PanelText(), c.after[i]);
      EXPECT_TRUE(Form().Timer1Enabled());
      Form().Timer1_Timer();
    }
  }
  EXPECT_EQ(Boxes().SeenCount(), seen);
  EXPECT_FALSE(Registered(Chess()));
}

}  // namespace
