// Long and odd head paths through every way a path enters the program: the Register and Unregister
// commands, the information panel, GetLongPath and the hand-off message that a second start sends.
#include "RegFixture.h"
#include "app/modInstaller.h"
#include "app/modMultipleInstance.h"

using namespace regtest;

namespace {

constexpr wchar_t kMarker[] = L"Process Successful.\r\n";
constexpr wchar_t kChecking[] = L"Checking File...";

class OddPathsTest : public RegistrationTest {
 protected:
  // A copy of chess.ocx under the given name in a new folder of the test's own.
  std::wstring ChessIn(const std::wstring& folder, const std::wstring& name) {
    EXPECT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    EXPECT_TRUE(CopyFileW(W(testenv::HeadPath("chess.ocx")).c_str(), (folder + name).c_str(), FALSE));
    return folder + name;
  }

  // The panel after the box was emptied and then given the text.
  std::wstring PanelFor(const std::wstring& text) {
    Form().SetFileBoxText(L"");
    Form().SetPanelText(kMarker);
    Form().SetFileBoxText(text);
    return Form().PanelText();
  }

  // Sends the text as a second start of the program does (in the code page when it fits, else
  // UTF-16), and returns the paths AddCall put into the box meanwhile, one per call.
  Lines HandOff(const std::wstring& text) {
    static Lines added;
    added.clear();
    modMultipleInstance::SetAddCallObserver([](const std::wstring& path) { added.push_back(path); });
    Form().SetFileBoxText(L"");
    modMultipleInstance::SendHandOff(Form().hWnd(), text);
    modMultipleInstance::SetAddCallObserver(nullptr);
    return added;
  }

  Lines Command(bool unregister) {
    Click(unregister);
    Form().Timer1_Timer();
    return PanelLines();
  }

  // A copy of chess.ocx that `text` names in the box: every way in treats it as that head.
  // serverPath: what the head records as its own file once it is loaded from the path.
  void ExpectWorksAsHead(const std::wstring& box, const std::wstring& longForm, const std::wstring& serverPath) {
    SCOPED_TRACE(ToAnsi(box));
    EXPECT_EQ(modInstaller::GetLongPath(box), longForm);
    const std::wstring view = PanelFor(box);
    EXPECT_EQ(view.rfind(L"Currently Selected File Info: \r\n   FileName:  chess.ocx\r\n", 0), 0u) << ToAnsi(view);
    EXPECT_NE(view.find(L"   Product Version:  1.2.0.4\r\n"), std::wstring::npos) << ToAnsi(view);

    EXPECT_EQ(Command(false), (Lines{kChecking, L"Attempting to register file...", L"Process Successful."}));
    EXPECT_EQ(ServerPathW(), serverPath);
    EXPECT_TRUE(Registered(Chess()));
    EXPECT_EQ(Form().ListCount(), 1);

    // The list's selection check finds the registered file and names it in the box.
    Form().SetFileBoxText(L"");
    SendMessageW(Form().lstGames(), LB_SETCURSEL, 0, 0);
    Form().lstGames_Click();
    EXPECT_EQ(Form().FileBoxText(), serverPath);

    Form().SetFileBoxText(box);
    EXPECT_EQ(Command(true), (Lines{kChecking, L"Attempting to unregister file...", L"Process Successful."}));
    EXPECT_FALSE(Registered(Chess()));
    EXPECT_EQ(Form().ListCount(), 0);

    EXPECT_EQ(HandOff(box), Lines{longForm});
    EXPECT_EQ(Form().FileBoxText(), longForm);
    EXPECT_EQ(Boxes().SeenCount(), 0u);
    testenv::CountFigure("badinput_cases");
  }

  // The server path the head registered, read with the wide call.
  std::wstring ServerPathW() {
    wchar_t path[1024] = {};
    LONG size = sizeof path;
    RegQueryValueW(HKEY_CLASSES_ROOT, W("CLSID\\" + Chess().classId + "\\InprocServer32").c_str(), path, &size);
    return path;
  }

};

TEST_F(OddPathsTest, LongPathsBlanksCodePageCharactersAndATrailingDot) {
  // Sized so that the whole path is 259 characters, the most a path may have with its
  // terminating zero in a MAX_PATH buffer.
  const std::wstring dir = W(dir_);
  const std::wstring folder = dir + std::wstring(100, L'd') + L"\\";
  const std::wstring path = ChessIn(folder, L"chess" + std::wstring(259 - folder.size() - 9, L'x') + L".ocx");
  ASSERT_EQ(path.size(), 259u);
  ExpectWorksAsHead(path, path, path);

  // Its short form comes back long, through AddCall as through GetLongPath.
  wchar_t shortPath[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameW(path.c_str(), shortPath, MAX_PATH), 0u);
  ASSERT_LT(std::wstring(shortPath).size(), path.size());
  std::wstring call = shortPath;
  Form().AddCall(call);
  EXPECT_EQ(call, path);
  EXPECT_EQ(Form().FileBoxText(), path);

  const std::wstring blanks = ChessIn(dir + L"My  Heads\\", L"chess head copy.ocx");
  ExpectWorksAsHead(blanks, blanks, blanks);

  // The file system drops a trailing dot from a name, so the text with the dot names the file
  // without it. The program keeps the text as given wherever it passes it on; the head, once
  // loaded, records its real name.
  const std::wstring chess = W(Head("chess.ocx"));
  ExpectWorksAsHead(chess + L".", chess + L".", chess);

  // Names in any script: accents of the code page, and Cyrillic outside it.
  const std::wstring accents = ChessIn(dir + L"T\u00e9te \u00fc\\", L"\u00dfchess \u00e9.ocx");
  ExpectWorksAsHead(accents, accents, accents);
  const std::wstring cyrillic = ChessIn(dir + L"\u0448\u0430\u0445\u043c\u0430\u0442\u044b\\", L"\u0448\u0430\u0445\u043c\u0430\u0442\u044b.ocx");
  ExpectWorksAsHead(cyrillic, cyrillic, cyrillic);
}

TEST_F(OddPathsTest, DirectoryNamedLikeAHeadIsNoFile) {
  const std::string folder = dir_ + "heads.ocx";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  // The panel keeps its text: the change handling sees no file.
  EXPECT_EQ(PanelFor(W(folder)), kMarker);

  Boxes().Answer(IDOK);
  EXPECT_EQ(Command(false), (Lines{kChecking, L"OCX not found!"}));
  Boxes().Answer(IDOK);
  EXPECT_EQ(Command(true), (Lines{kChecking}));
  ASSERT_EQ(Boxes().SeenCount(), 2u);
  for (size_t i = 0; i < 2; ++i)
    ExpectBox(i, L"Check Path...", W(folder) + L" Does Not Exist. Please check filename...", BoxIcon::Stop);
  EXPECT_EQ(Form().ListCount(), 0);

  // The directory exists, so it has a long form, and the hand-off puts it into the box; the panel
  // still keeps its text.
  EXPECT_EQ(modInstaller::GetLongPath(W(folder)), W(folder));
  Form().SetPanelText(kMarker);
  EXPECT_EQ(HandOff(W(folder)), Lines{W(folder)});
  EXPECT_EQ(Form().FileBoxText(), W(folder));
  EXPECT_EQ(Form().PanelText(), kMarker);
  testenv::CountFigure("badinput_cases");
}

}  // namespace
