#include <gtest/gtest.h>

#include "DeleteLog.h"
#include "GamesFixture.h"
#include "app/AnsiText.h"

using namespace gamestest;

namespace {

const std::string kClassId = "{1234564C-5A6B-4C7D-8E9F-0A1B2C3D4E5F}";
const std::string kTypeLib = "{12345649-5A6B-4C7D-8E9F-0A1B2C3D4E5F}";
const Family kFamily = {kClassId, "{1234564D-5A6B-4C7D-8E9F-0A1B2C3D4E5F}",
                        "{1234564B-5A6B-4C7D-8E9F-0A1B2C3D4E5F}", "{1234564A-5A6B-4C7D-8E9F-0A1B2C3D4E5F}", kTypeLib};

const std::wstring kQuestion = L"Would you like to remove it from your games list?";

void ExpectRemovalPrompt(const BoxInfo& box, const std::wstring& caption, const std::wstring& reason) {
  EXPECT_EQ(box.caption, caption);
  EXPECT_EQ(box.text, reason + L"\r\n" + kQuestion);
  EXPECT_EQ(box.icon, BoxIcon::Question);
  EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
}

void ExpectTypeLibPrompt(const BoxInfo& box) {
  ExpectRemovalPrompt(box, L"TypeLib Not Found", L"The current selection is no longer functioning properly.");
}

void ExpectOcxPrompt(const BoxInfo& box) {
  ExpectRemovalPrompt(box, L"OCX Not Found...", L"The current selection is no longer existing or has moved.");
}

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
};

TEST_F(SelectionCheck, AnEntryWithItsServerPutsTheLongPathInTheBox) {
  const std::string server = testenv::TestDir() + "Chess Game Head.ocx";
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
}

TEST_F(SelectionCheck, NoLeavesAnEntryWithoutServerFileAsItWas) {
  const std::string folder = testenv::TestDir();
  const std::string hidden = folder + "hidden.ocx";
  testenv::WriteFileBytes(hidden, "MZ");
  testenv::SetAttributes(hidden, FILE_ATTRIBUTE_HIDDEN);
  // A deleted file, a hidden one, a folder and no server at all: none is an existing file.
  for (const std::string& server : {folder + "deleted.ocx", hidden, folder.substr(0, folder.size() - 1),
                                    std::string()}) {
    SCOPED_TRACE(server);
    PlantChess(server);
    const size_t seen = Boxes().SeenCount();
    Boxes().Answer(IDNO);
    Click(L"Chess");
    ASSERT_EQ(Boxes().SeenCount(), seen + 1);
    ExpectTypeLibPrompt(Boxes().Seen().back());
    EXPECT_TRUE(EntryExists("Chess"));
    EXPECT_TRUE(testenv::KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + kFamily.secondClassId));
    EXPECT_TRUE(testenv::KeyExists(HKEY_LOCAL_MACHINE, "Software\\CLASSES\\TypeLib\\" + kTypeLib));
    EXPECT_EQ(Form().FileBoxText(), L"");
    EXPECT_FALSE(Form().Timer1Enabled());
    PumpFor(700);
    EXPECT_TRUE(Listed(L"Chess"));
    ForgetPlanted();
  }
}

TEST_F(SelectionCheck, YesRemovesTheEntryAndTheRegistrationItsFamilyAllows) {
  PlantChess(testenv::TestDir() + "deleted.ocx");
  Boxes().Answer(IDYES);
  Click(L"Chess");
  ASSERT_EQ(Boxes().SeenCount(), 1u);
  ExpectTypeLibPrompt(Boxes().Seen()[0]);
  EXPECT_FALSE(EntryExists("Chess"));
  // The box does not show the server: the class keys stay, interfaces and type library go.
  EXPECT_TRUE(testenv::KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + kFamily.secondClassId));
  EXPECT_FALSE(testenv::KeyExists(HKEY_LOCAL_MACHINE, "Software\\CLASSES\\Interface\\" + kFamily.firstInterfaceId));
  EXPECT_FALSE(testenv::KeyExists(HKEY_LOCAL_MACHINE, "Software\\CLASSES\\TypeLib\\" + kTypeLib));
  EXPECT_TRUE(PumpUntil([&] { return !Listed(L"Chess"); }, 3000));
}

TEST_F(SelectionCheck, AnEntryWithoutClassIdLosesOnlyItsOwnKey) {
  AddEntry("Chess", "");
  LetFirstTickPass();
  Form().LoadGames();
  Boxes().Answer(IDYES);
  DeleteLog log;
  Click(L"Chess");
  ASSERT_EQ(Boxes().SeenCount(), 1u);
  ExpectTypeLibPrompt(Boxes().Seen()[0]);
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
  ASSERT_EQ(Boxes().SeenCount(), 1u);
  ExpectOcxPrompt(Boxes().Seen()[0]);
  EXPECT_TRUE(EntryExists("Chess"));
  EXPECT_FALSE(Form().Timer1Enabled());

  Form().SetFileBoxText(L"");
  Boxes().Answer(IDYES);
  DeleteLog log;
  Form().SetFileBoxText(FromAnsi(server));
  ASSERT_EQ(Boxes().SeenCount(), 2u);
  ExpectOcxPrompt(Boxes().Seen()[1]);
  EXPECT_FALSE(EntryExists("Chess"));
  // The box shows the server, so the class keys are asked to go as well.
  ASSERT_GE(log.Entries().size(), 3u);
  EXPECT_EQ(log.Entries()[1], (LoggedDelete{HKEY_CLASSES_ROOT, "CLSID\\" + kClassId}));
  EXPECT_EQ(log.Entries()[2], (LoggedDelete{HKEY_CLASSES_ROOT, "CLSID\\" + kFamily.secondClassId}));
  EXPECT_TRUE(PumpUntil([&] { return !Listed(L"Chess"); }, 3000));
}

std::vector<std::wstring> Lines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << "the text ends with a line break";
  return lines;
}

TEST_F(FileBox, CreditsAreShownCentredForTheExactWord) {
  Form().SetPanelText(L"before");
  Form().SetFileBoxText(L"Credits");
  EXPECT_EQ(Form().PanelText(), L"before");
  EXPECT_FALSE(Form().PanelCentred());

  Form().SetFileBoxText(L"  credits  ");
  EXPECT_TRUE(Form().PanelCentred());
  const std::vector<std::wstring> lines = Lines(Form().PanelText());
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], L" ");
  for (int i : {1, 2, 4}) {
    EXPECT_EQ(lines[i].substr(0, 2), L"  ") << i;
    EXPECT_GT(lines[i].size(), 2u);
    EXPECT_NE(lines[i][2], L' ') << i;
  }
  EXPECT_NE(lines[1].find(L"logo and the buttons"), std::wstring::npos);
  EXPECT_NE(lines[2].find(L"icons"), std::wstring::npos);
  EXPECT_EQ(lines[3], L"  ");
  EXPECT_NE(lines[4].find(L"both"), std::wstring::npos);
  EXPECT_EQ(lines[4].substr(lines[4].size() - 15), L"- the Vesk team");

  // Shown again from scratch, not appended.
  const std::wstring once = Form().PanelText();
  Form().SetFileBoxText(L"credits");
  EXPECT_EQ(Form().PanelText(), once);
  EXPECT_EQ(Boxes().SeenCount(), 0u);
}

TEST_F(FileBox, APathIsTakenOnlyOnceItNamesAFile) {
  const std::string folder = testenv::TestDir();
  const std::string file = folder + "typed.ocx";
  testenv::WriteFileBytes(file, "MZ");
  Form().ShowCredits();
  const std::wstring credits = Form().PanelText();
  SetFocus(Form().txtOCXFile());
  const std::wstring typed = FromAnsi(file);
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
