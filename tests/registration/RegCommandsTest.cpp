// The Register and Unregister commands: panel log, message boxes, refresh request, and the real
// registration of the well-behaved heads.
#include "RegFixture.h"
#include "app/frmMain.h"

using namespace regtest;

namespace {

class RegCommandsTest : public RegistrationTest {
 protected:
  // Plans OK for the next box and records the panel as it stood while the box was shown.
  void AnswerOkNoting(std::wstring& panelAtBox) {
    Boxes().Handle([this, &panelAtBox](const BoxInfo& box) {
      panelAtBox = Form().PanelText();
      DialogAnswerer::Press(box.hwnd, IDOK);
      return true;
    });
  }

  void ExpectBox(size_t index, const std::wstring& caption, const std::wstring& text, BoxIcon icon) {
    const std::vector<BoxInfo> seen = Boxes().Seen();
    ASSERT_GT(seen.size(), index);
    EXPECT_EQ(seen[index].caption, caption);
    EXPECT_EQ(seen[index].text, text);
    EXPECT_EQ(seen[index].icon, icon) << IconName(seen[index].icon);
    EXPECT_EQ(seen[index].buttons, std::vector<int>{IDOK});
  }
};

TEST_F(RegCommandsTest, RegisterAndUnregisterGoodHeads) {
  for (const GoodHead* head : {&Chess(), &Darts()}) {
    SCOPED_TRACE(head->file);
    const std::string path = Head(head->file);
    Form().SetFileBoxText(W(path));
    Form().SetPanelText(L"Company Name: earlier details");

    Form().Image2_Click();
    EXPECT_EQ(PanelLines(), (Lines{L"Checking File...", L"Attempting to register file...", L"Process Successful."}));
    EXPECT_EQ(testenv::GetSz(HKEY_LOCAL_MACHINE, GamesEntry(*head), ""), head->classId);
    EXPECT_EQ(testenv::GetSz(HKEY_CLASSES_ROOT, "CLSID\\" + head->classId + "\\InprocServer32", ""), path);
    EXPECT_EQ(testenv::GetSz(HKEY_CLASSES_ROOT, "CLSID\\" + head->classId + "\\TypeLib", ""), head->typeLibId);
    EXPECT_TRUE(Registered(*head));
    EXPECT_FALSE(ModuleLoaded(path));
    EXPECT_FALSE(Form().BusyPointer());
    EXPECT_TRUE(Form().Timer1Enabled());
    EXPECT_EQ(Form().FileBoxText(), W(path)) << "the box is only read";

    Form().Timer1_Timer();
    Form().Image3_Click();
    EXPECT_EQ(PanelLines(),
              (Lines{L"Checking File...", L"Attempting to unregister file...", L"Process Successful."}));
    EXPECT_FALSE(Registered(*head));
    EXPECT_FALSE(ModuleLoaded(path));
    EXPECT_FALSE(Form().BusyPointer());
    EXPECT_TRUE(Form().Timer1Enabled());
    Form().Timer1_Timer();
  }
  EXPECT_EQ(Boxes().SeenCount(), 0u);
}

TEST_F(RegCommandsTest, EmptyBoxAsksForAFile) {
  Form().SetFileBoxText(L"");
  std::wstring panelAtBox[2];
  AnswerOkNoting(panelAtBox[0]);
  Form().Image2_Click();
  EXPECT_TRUE(Form().Timer1Enabled());
  Form().Timer1_Timer();
  AnswerOkNoting(panelAtBox[1]);
  Form().Image3_Click();
  EXPECT_TRUE(Form().Timer1Enabled());

  ASSERT_EQ(Boxes().SeenCount(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(i == 0 ? "Register" : "Unregister");
    ExpectBox(i, L"Enter Head file...", L"Please enter an ocx file first...", BoxIcon::Exclamation);
    EXPECT_EQ(panelAtBox[i], L"Checking File...\r\nOCX not found!\r\n") << "lines come before the box";
  }
  EXPECT_EQ(PanelLines(), (Lines{L"Checking File...", L"OCX not found!"}));
}

TEST_F(RegCommandsTest, MissingFileOnlyRegisterLogsItAfterTheBox) {
  const std::string missing = dir_ + "gone.ocx";
  Form().SetFileBoxText(W(missing));
  const std::wstring prompt = W(missing) + L" Does Not Exist. Please check filename...";

  std::wstring panelAtBox;
  AnswerOkNoting(panelAtBox);
  Form().Image2_Click();
  ExpectBox(0, L"Check Path...", prompt, BoxIcon::Stop);
  EXPECT_EQ(panelAtBox, L"Checking File...\r\n");
  EXPECT_EQ(PanelLines(), (Lines{L"Checking File...", L"OCX not found!"}));
  EXPECT_TRUE(Form().Timer1Enabled());

  Form().Timer1_Timer();
  Boxes().Answer(IDOK);
  Form().Image3_Click();
  ExpectBox(1, L"Check Path...", prompt, BoxIcon::Stop);
  EXPECT_EQ(PanelLines(), (Lines{L"Checking File..."}));
  EXPECT_TRUE(Form().Timer1Enabled());
}

TEST_F(RegCommandsTest, HiddenHeadCountsAsNotFound) {
  const std::string chess = Head("chess.ocx");
  testenv::SetAttributes(chess, FILE_ATTRIBUTE_HIDDEN);
  Form().SetFileBoxText(W(chess));
  Boxes().Answer(IDOK);
  Form().Image2_Click();
  Boxes().Answer(IDOK);
  Form().Image3_Click();
  ASSERT_EQ(Boxes().SeenCount(), 2u);
  ExpectBox(0, L"Check Path...", W(chess) + L" Does Not Exist. Please check filename...", BoxIcon::Stop);
  ExpectBox(1, L"Check Path...", W(chess) + L" Does Not Exist. Please check filename...", BoxIcon::Stop);
  EXPECT_FALSE(Registered(Chess()));
}

TEST_F(RegCommandsTest, WorkerFailureLinesFollowTheAttempt) {
  Form().SetFileBoxText(W(Head("noentry.ocx")));
  Form().Image2_Click();
  EXPECT_EQ(PanelLines(), (Lines{L"Checking File...", L"Attempting to register file...",
                                 L"Process failed in obtaining entry point or creating thread."}));
  EXPECT_TRUE(Form().Timer1Enabled());
  EXPECT_EQ(Boxes().SeenCount(), 0u);
}

}  // namespace
