// Long and odd head paths through every way a path enters the program: the Register and Unregister
// commands, the information panel, GetLongPath and the hand-off message that a second start sends.
#include <cstdio>

#include "RegFixture.h"
#include "app/AnsiText.h"
#include "app/frmMain.h"
#include "app/modInstaller.h"

using namespace regtest;

namespace {

constexpr wchar_t kMarker[] = L"Process Successful.\r\n";
constexpr wchar_t kChecking[] = L"Checking File...";
constexpr wchar_t kChessView[] = L"Currently Selected File Info: \r\n   FileName:  chess.ocx\r\n";

class OddPathsTest : public RegistrationTest {
 protected:
  void SetUp() override {
    RegistrationTest::SetUp();
    trace_ = dir_ + "addcall.txt";
    SetEnvironmentVariableA("VESK_ADDCALL_TRACE", trace_.c_str());
  }
  void TearDown() override {
    SetEnvironmentVariableA("VESK_ADDCALL_TRACE", nullptr);
    RegistrationTest::TearDown();
  }

  // The panel after the box was emptied and then given the text.
  std::wstring PanelFor(const std::wstring& text) {
    Form().SetFileBoxText(L"");
    Form().SetPanelText(kMarker);
    Form().SetFileBoxText(text);
    return Form().PanelText();
  }

  // Sends the text as a second start of the program does: ANSI bytes and one zero byte.
  void HandOff(const std::string& ansi) {
    Form().SetFileBoxText(L"");
    std::string payload = ansi + '\0';
    COPYDATASTRUCT data{3, static_cast<DWORD>(payload.size()), payload.data()};
    SendMessageA(Form().hWnd(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
  }

  // What AddCall put into the box, as its trace recorded it, one line per call.
  std::vector<std::string> Traced() {
    const std::string text = testenv::ReadFileBytes(trace_);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
      lines.push_back(text.substr(start, end - start));
    DeleteFileA(trace_.c_str());
    return lines;
  }

  Lines Command(bool unregister) {
    if (unregister)
      Form().Image3_Click();
    else
      Form().Image2_Click();
    Form().Timer1_Timer();
    return PanelLines();
  }

  // A copy of chess.ocx that `text` names in the box: every way in treats it as that head.
  // serverPath: what the head records as its own file once it is loaded from the path.
  void ExpectWorksAsHead(const std::string& text, const std::string& longForm, const std::string& serverPath) {
    SCOPED_TRACE(text);
    const std::wstring box = W(text);
    EXPECT_EQ(modInstaller::GetLongPath(box), W(longForm));

    const std::wstring view = PanelFor(box);
    EXPECT_EQ(view.rfind(kChessView, 0), 0u) << ToAnsi(view);
    EXPECT_NE(view.find(L"   Product Version:  1.2.0.4\r\n"), std::wstring::npos) << ToAnsi(view);

    EXPECT_EQ(Command(false), (Lines{kChecking, L"Attempting to register file...", L"Process Successful."}));
    EXPECT_EQ(testenv::GetSz(HKEY_CLASSES_ROOT, "CLSID\\" + Chess().classId + "\\InprocServer32", ""), serverPath);
    EXPECT_TRUE(Registered(Chess()));
    EXPECT_EQ(Form().ListCount(), 1);
    EXPECT_FALSE(ModuleLoaded(serverPath));

    // The list's selection check finds the registered file and names it in the box.
    Form().SetFileBoxText(L"");
    SendMessageW(Form().lstGames(), LB_SETCURSEL, 0, 0);
    Form().lstGames_Click();
    EXPECT_EQ(Form().FileBoxText(), W(serverPath));

    Form().SetFileBoxText(box);
    EXPECT_EQ(Command(true), (Lines{kChecking, L"Attempting to unregister file...", L"Process Successful."}));
    EXPECT_FALSE(Registered(Chess()));
    EXPECT_EQ(Form().ListCount(), 0);

    HandOff(text);
    EXPECT_EQ(Form().FileBoxText(), W(longForm));
    EXPECT_EQ(Traced(), std::vector<std::string>{longForm});
    EXPECT_EQ(Boxes().SeenCount(), 0u);
    testenv::CountFigure("badinput_cases");
  }

  std::string trace_;
};

TEST_F(OddPathsTest, PathOf259Characters) {
  // Folder and file names sized so that the whole path is 259 characters, the most a path may
  // have with its terminating zero in a MAX_PATH buffer.
  const std::string folder = dir_ + std::string(100, 'd') + "\\";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  const std::string name = "chess" + std::string(259 - folder.size() - 9, 'x') + ".ocx";
  const std::string path = folder + name;
  ASSERT_EQ(path.size(), 259u);
  ASSERT_TRUE(CopyFileA(testenv::HeadPath("chess.ocx").c_str(), path.c_str(), FALSE));
  ExpectWorksAsHead(path, path, path);

  // Its short form comes back long, through AddCall as through GetLongPath.
  char shortPath[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameA(path.c_str(), shortPath, MAX_PATH), 0u);
  ASSERT_LT(std::string(shortPath).size(), path.size());
  std::wstring call = W(shortPath);
  Form().AddCall(call);
  EXPECT_EQ(call, W(path));
  EXPECT_EQ(Form().FileBoxText(), W(path));
}

TEST_F(OddPathsTest, PathWithBlanks) {
  const std::string folder = dir_ + "My  Heads\\";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  const std::string path = folder + "chess head copy.ocx";
  ASSERT_TRUE(CopyFileA(testenv::HeadPath("chess.ocx").c_str(), path.c_str(), FALSE));
  ExpectWorksAsHead(path, path, path);
}

TEST_F(OddPathsTest, PathWithCharactersOfTheAnsiCodePage) {
  if (GetACP() != 1252) GTEST_SKIP() << "the names are written in code page 1252; this system uses " << GetACP();
  // Made with the ANSI calls from the code page's own bytes: e acute, u umlaut, sharp s.
  const std::string folder = dir_ + "T\xE9te \xFC\\";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  const std::string path = folder + "\xDF" + "chess \xE9.ocx";
  ASSERT_TRUE(CopyFileA(testenv::HeadPath("chess.ocx").c_str(), path.c_str(), FALSE));
  ASSERT_NE(W(path).find(L"T\u00e9te \u00fc\\\u00dfchess \u00e9.ocx"), std::wstring::npos);
  ExpectWorksAsHead(path, path, path);
}

// The file system drops a trailing dot from a name, so the text with the dot names the file
// without it. The program keeps the text as given wherever it passes it on; the head, once
// loaded, records its real name.
TEST_F(OddPathsTest, TrailingDotNamesTheFileWithoutIt) {
  const std::string path = Head("chess.ocx");
  ExpectWorksAsHead(path + ".", path + ".", path);
}

TEST_F(OddPathsTest, DirectoryNamedLikeAHeadIsNoFile) {
  const std::string folder = dir_ + "heads.ocx";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  const std::wstring prompt = W(folder) + L" Does Not Exist. Please check filename...";

  // The panel keeps its text: the change handling sees no file.
  EXPECT_EQ(PanelFor(W(folder)), kMarker);

  Boxes().Answer(IDOK);
  EXPECT_EQ(Command(false), (Lines{kChecking, L"OCX not found!"}));
  Boxes().Answer(IDOK);
  EXPECT_EQ(Command(true), (Lines{kChecking}));
  const std::vector<BoxInfo> seen = Boxes().Seen();
  ASSERT_EQ(seen.size(), 2u);
  for (const BoxInfo& box : seen) {
    EXPECT_EQ(box.caption, L"Check Path...");
    EXPECT_EQ(box.text, prompt);
    EXPECT_EQ(box.icon, BoxIcon::Stop) << IconName(box.icon);
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
  }
  EXPECT_EQ(Form().ListCount(), 0);

  // The directory exists, so it has a long form, and the hand-off puts it into the box; the panel
  // still keeps its text.
  EXPECT_EQ(modInstaller::GetLongPath(W(folder)), W(folder));
  Form().SetPanelText(kMarker);
  HandOff(folder);
  EXPECT_EQ(Form().FileBoxText(), W(folder));
  EXPECT_EQ(Traced(), std::vector<std::string>{folder});
  EXPECT_EQ(Form().PanelText(), kMarker);
  testenv::CountFigure("badinput_cases");
}

}  // namespace
