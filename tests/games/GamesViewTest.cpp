#include <gtest/gtest.h>

#include <regex>

#include "GamesFixture.h"
#include "app/AnsiText.h"

using namespace gamestest;
using testenv::KeyExists;

namespace {

const std::string kClassId = "{1234564C-5A6B-4C7D-8E9F-0A1B2C3D4E5F}";
const std::string kTypeLib = "{12345649-5A6B-4C7D-8E9F-0A1B2C3D4E5F}";
const Family kFamily = {kClassId, "{1234564D-5A6B-4C7D-8E9F-0A1B2C3D4E5F}",
                        "{1234564B-5A6B-4C7D-8E9F-0A1B2C3D4E5F}", "{1234564A-5A6B-4C7D-8E9F-0A1B2C3D4E5F}", kTypeLib};

class SelectionCheck : public GamesTest {
 protected:
  // "Chess" with its whole registration, the class's server at server.
  void PlantChess(const std::string& server) {
    AddEntry("Chess", kClassId);
    RegisterClass(kClassId, server, kTypeLib);
    PlantMembers(kFamily);
    LetFirstTickPass();
    Form().LoadGames();
  }

  // The count boxes seen so far end with the offer to remove the selection: its type library is
  // not found, or (ocx) its file is not.
  void ExpectPrompted(size_t count, bool ocx = false) {
    ASSERT_EQ(Boxes().SeenCount(), count);
    const BoxInfo box = Boxes().Seen().back();
    EXPECT_EQ(box.caption, ocx ? L"OCX Not Found..." : L"TypeLib Not Found");
    EXPECT_EQ(box.text, std::wstring(ocx ? L"The current selection is no longer existing or has moved."
                                         : L"The current selection is no longer functioning properly.") +
                            L"\r\nWould you like to remove it from your games list?");
    EXPECT_EQ(box.icon, BoxIcon::Question);
    EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
  }
};

TEST_F(SelectionCheck, AnEntryWithItsServerFileIsShownOtherwiseOfferedForRemoval) {
  const std::string folder = testenv::TestDir();
  // With its server, the long path of the server goes into the box.
  const std::string server = folder + "Chess Game Head.ocx";
  testenv::WriteFileBytes(server, "MZ");
  char shortPath[MAX_PATH] = {};
  GetShortPathNameA(server.c_str(), shortPath, MAX_PATH);
  PlantChess(shortPath);
  Form().ShowCredits();
  Click(L"Chess");
  EXPECT_EQ(Form().FileBoxText(), FromAnsi(server));
  // The box's change handling took the file: the panel is back to left alignment for its view.
  EXPECT_FALSE(Form().PanelCentred());
  EXPECT_EQ(Boxes().SeenCount(), 0u);
  EXPECT_TRUE(EntryExists("Chess"));
  EXPECT_FALSE(Form().Timer1Enabled());
  ForgetPlanted();
  Form().SetFileBoxText(L"");

  const std::string hidden = folder + "hidden.ocx";
  testenv::WriteFileBytes(hidden, "MZ");
  testenv::SetAttributes(hidden, FILE_ATTRIBUTE_HIDDEN);
  size_t asked = 0;
  // No leaves the entry as it was. A deleted file, a hidden one, a folder and no server at all:
  // none is an existing file.
  for (const std::string& missing : {folder + "deleted.ocx", hidden, folder.substr(0, folder.size() - 1),
                                     std::string()}) {
    SCOPED_TRACE(missing);
    PlantChess(missing);
    Boxes().Answer(IDNO);
    Click(L"Chess");
    ExpectPrompted(++asked);
    EXPECT_TRUE(EntryExists("Chess"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + kFamily.secondClassId));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kLmTypeLib + kTypeLib));
    EXPECT_EQ(Form().FileBoxText(), L"");
    EXPECT_FALSE(Form().Timer1Enabled());
    PumpFor(700);
    EXPECT_TRUE(Listed(L"Chess"));
    ForgetPlanted();
  }

  // Yes removes the entry and what its family allows: the box does not show the server, so the
  // class keys stay while interfaces and type library go.
  PlantChess(folder + "deleted.ocx");
  Boxes().Answer(IDYES);
  Click(L"Chess");
  ExpectPrompted(++asked);
  EXPECT_FALSE(EntryExists("Chess"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + kFamily.secondClassId));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kLmInterface + kFamily.firstInterfaceId));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kLmTypeLib + kTypeLib));
  EXPECT_TRUE(PumpUntil([&] { return !Listed(L"Chess"); }, 3000));
  ForgetPlanted();

  // An entry without class id loses only its own key.
  AddEntry("Chess", "");
  LetFirstTickPass();
  Form().LoadGames();
  Boxes().Answer(IDYES);
  DeleteLog log;
  Click(L"Chess");
  ExpectPrompted(++asked);
  EXPECT_EQ(log.Entries(), (std::vector<LoggedDelete>{{HKEY_LOCAL_MACHINE, kList + "\\Chess"}}));
}

// ---------------------------------------------------------------- the head file box

using FileBox = SelectionCheck;

TEST_F(FileBox, TheSelectedEntrysMissingServerInTheBoxOffersRemoval) {
  const std::string server = testenv::TestDir() + "moved.ocx";
  PlantChess(server);
  Select(L"Chess");

  // Another missing path, and the server path with nothing selected: silently ignored.
  Form().SetFileBoxText(FromAnsi(server + "x"));
  SendMessageW(Form().lstGames(), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  Form().SetFileBoxText(FromAnsi(server));
  EXPECT_EQ(Boxes().SeenCount(), 0u);

  Form().SetFileBoxText(L"");
  Select(L"Chess");
  Boxes().Answer(IDNO);
  Form().SetFileBoxText(FromAnsi(server));
  ExpectPrompted(1, true);
  EXPECT_TRUE(EntryExists("Chess"));
  EXPECT_FALSE(Form().Timer1Enabled());

  Form().SetFileBoxText(L"");
  Boxes().Answer(IDYES);
  DeleteLog log;
  Form().SetFileBoxText(FromAnsi(server));
  ExpectPrompted(2, true);
  EXPECT_FALSE(EntryExists("Chess"));
  // The box shows the server, so the class keys are asked to go as well.
  ASSERT_GE(log.Entries().size(), 3u);
  EXPECT_EQ(log.Entries()[1], (LoggedDelete{HKEY_CLASSES_ROOT, "CLSID\\" + kClassId}));
  EXPECT_EQ(log.Entries()[2], (LoggedDelete{HKEY_CLASSES_ROOT, "CLSID\\" + kFamily.secondClassId}));
  EXPECT_TRUE(PumpUntil([&] { return !Listed(L"Chess"); }, 3000));
}

TEST_F(FileBox, CreditsAreShownCentredForTheExactWord) {
  Form().SetPanelText(L"before");
  Form().SetFileBoxText(L"Credits");
  EXPECT_EQ(Form().PanelText(), L"before");
  EXPECT_FALSE(Form().PanelCentred());

  Form().SetFileBoxText(L"  credits  ");
  EXPECT_TRUE(Form().PanelCentred());
  // A blank line, then lines indented by two blanks, one of them empty, each ending in a line break.
  const std::wstring text = Form().PanelText();
  EXPECT_TRUE(std::regex_match(text, std::wregex(L" \r\n  [^ \r][^\r]*logo and the buttons[^\r]*\r\n"
                                                 L"  [^ \r][^\r]*icons[^\r]*\r\n  \r\n"
                                                 L"  [^ \r][^\r]*both[^\r]*- the Vesk team\r\n")))
      << testing::PrintToString(text);

  // Shown again from scratch, not appended.
  Form().SetFileBoxText(L"credits");
  EXPECT_EQ(Form().PanelText(), text);
  EXPECT_EQ(Boxes().SeenCount(), 0u);
}

TEST_F(FileBox, APathIsTakenOnlyOnceItNamesAFile) {
  const std::string folder = testenv::TestDir();
  const std::wstring typed = FromAnsi(folder + "typed.ocx");
  testenv::WriteFileBytes(folder + "typed.ocx", "MZ");
  Form().ShowCredits();
  const std::wstring credits = Form().PanelText();
  SetFocus(Form().txtOCXFile());
  for (size_t i = 0; i < typed.size(); ++i) {
    SendMessageW(Form().txtOCXFile(), WM_CHAR, typed[i], 0);
    if (i + 1 < typed.size()) {
      ASSERT_TRUE(Form().PanelCentred()) << "after " << i + 1 << " characters";
      ASSERT_EQ(Form().PanelText(), credits);
    }
  }
  EXPECT_EQ(Form().FileBoxText(), typed);
  EXPECT_FALSE(Form().PanelCentred());

  // A wildcard counts when it matches a normal file.
  Form().ShowCredits();
  Form().SetFileBoxText(FromAnsi(folder + "*.xyz"));
  EXPECT_TRUE(Form().PanelCentred());
  Form().SetFileBoxText(FromAnsi(folder + "*.ocx"));
  EXPECT_FALSE(Form().PanelCentred());
  EXPECT_EQ(Boxes().SeenCount(), 0u);
}

}  // namespace
