#include <gtest/gtest.h>

#include <atomic>
#include <regex>

#include "GamesFixture.h"
#include "app/AnsiText.h"
#include "games/GamesList.h"

using namespace gamestest;
using testenv::KeyExists;

namespace {

const std::string kClassId = "{1234564C-5A6B-4C7D-8E9F-0A1B2C3D4E5F}";
const std::string kTypeLib = "{12345649-5A6B-4C7D-8E9F-0A1B2C3D4E5F}";
const Family kFamily = {kClassId, "{1234564D-5A6B-4C7D-8E9F-0A1B2C3D4E5F}",
                        "{1234564B-5A6B-4C7D-8E9F-0A1B2C3D4E5F}", "{1234564A-5A6B-4C7D-8E9F-0A1B2C3D4E5F}", kTypeLib};

// Ids one digit apart from each other, as a head's family would be, that are the system's
// automation interfaces: a head claiming them must not take the system's keys along.
const Family kSystemLike = {"{00020404-0000-0000-C000-000000000046}", "{00020405-0000-0000-C000-000000000046}",
                            "{00020403-0000-0000-C000-000000000046}", "{00020402-0000-0000-C000-000000000046}",
                            "{00020401-0000-0000-C000-000000000046}"};
// The registry view of the other build.
constexpr REGSAM kOtherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

class SelectionCheck : public GamesTest {
 protected:
  // "Chess" with its whole registration, the class's server at server as a value of type type;
  // with otherView, only the other build's view registers the class.
  void PlantChess(const std::string& server, DWORD type = REG_SZ, bool otherView = false) {
    AddEntry(L"Chess", kClassId);
    if (otherView) {
      HKEY key = nullptr;
      RegCreateKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, nullptr, 0, KEY_WRITE | kOtherView, nullptr, &key, nullptr);
      RegSetKeyValueA(key, (kClassId + "\\InprocServer32").c_str(), nullptr, type, server.c_str(), server.size() + 1);
      RegCloseKey(key);
      EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + kClassId)) << "the views are one";
    } else {
      RegisterClass(kClassId, server, kTypeLib);
      testenv::SetValue(HKEY_CLASSES_ROOT, "CLSID\\" + kClassId + "\\InprocServer32", "", type, server + '\0');
      PlantMembers(kFamily, server);
    }
    LetFirstTickPass();
    Form().LoadGames();
  }
  void ForgetOtherView() {
    for (const std::string& key : {"CLSID\\" + kClassId + "\\InprocServer32", "CLSID\\" + kClassId})
      RegDeleteKeyExA(HKEY_CLASSES_ROOT, key.c_str(), kOtherView, 0);
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

TEST_F(SelectionCheck, AnEntryIsOfferedForRemovalOnlyWhenItsServerIsProvenAbsent) {
  const std::string folder = testenv::TestDir();
  const std::string head = folder + "Chess Game Head.ocx", hidden = folder + "hidden.ocx", system = folder + "sys.ocx";
  for (const std::string& file : {head, hidden, system}) testenv::WriteFileBytes(file, "MZ");
  testenv::SetAttributes(hidden, FILE_ATTRIBUTE_HIDDEN);
  testenv::SetAttributes(system, FILE_ATTRIBUTE_SYSTEM);
  char shortPath[MAX_PATH] = {};
  GetShortPathNameA(head.c_str(), shortPath, MAX_PATH);
  ASSERT_EQ(head.substr(0, 3), "C:\\");
  struct Case {
    const char* what;
    std::string server;
    DWORD type;
    std::string shown;  // in the head file box afterwards; empty: the entry is offered for removal
    bool otherView = false;
  };
  const Case cases[] = {
      {"short path", shortPath, REG_SZ, head},
      {"path with a variable", "%SystemDrive%\\" + head.substr(3), REG_EXPAND_SZ, head},
      {"hidden file", hidden, REG_SZ, hidden},
      {"system file", system, REG_SZ, system},
      {"class only in the other build's view", head, REG_SZ, head, true},
      {"deleted file", folder + "deleted.ocx", REG_SZ, ""},
      {"path with a variable to nothing", "%SystemDrive%\\vesktest\\nowhere.ocx", REG_EXPAND_SZ, ""},
      {"folder", folder.substr(0, folder.size() - 1), REG_SZ, ""},
      {"no server", "", REG_SZ, ""},
  };
  size_t asked = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Form().SetFileBoxText(L"");
    Form().SetPanelText(L"");
    PlantChess(c.server, c.type, c.otherView);
    if (c.shown.empty()) Boxes().Answer(IDNO);
    Click(L"Chess");
    if (c.shown.empty()) ExpectPrompted(++asked);
    EXPECT_EQ(Boxes().SeenCount(), asked);
    EXPECT_EQ(Form().FileBoxText(), FromAnsi(c.shown));
    EXPECT_EQ(Form().PanelText().ends_with(GamesList::OtherBuildNote() + L"\r\n"), c.otherView);
    // No leaves the entry as it was.
    EXPECT_TRUE(EntryExists("Chess"));
    EXPECT_FALSE(Form().Timer1Enabled());
    ForgetPlanted();
    ForgetOtherView();
  }
}

std::atomic<bool> g_reloaded;
frmMain* g_form = nullptr;

// Reloads the list and selects another entry, as a refresh tick while a question is open may.
void CALLBACK ReloadAndSelectAnother(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  g_form->LoadGames();
  SendMessageW(g_form->lstGames(), LB_SELECTSTRING, static_cast<WPARAM>(-1), LPARAM(L"Neighbour Game"));
  g_reloaded = true;
}

TEST_F(SelectionCheck, YesRemovesTheAskedEntryWithOnlyTheKeysThatPointBackToItsHead) {
  const std::string folder = testenv::TestDir();
  const std::string gone = folder + "gone.ocx", systemLike = folder + "system-like.ocx";  // neither exists
  const std::wstring chess = L"\u0428\u0430\u0445\u043c\u0430\u0442\u044b";  // outside the ANSI code page
  AddEntry(chess, kClassId);
  RegisterClass(kClassId, gone, kTypeLib);
  PlantMembers(kFamily, gone);
  PlantNeighbours(kFamily);
  AddEntry(L"System-like", kSystemLike.classId);
  RegisterClass(kSystemLike.classId, systemLike, kSystemLike.typeLibId);
  for (const std::string& id : {kSystemLike.firstInterfaceId, kSystemLike.secondInterfaceId})
    ASSERT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kLmInterface + id + "\\ProxyStubClsid32")) << "the system's " << id;
  LetFirstTickPass();
  Form().LoadGames();

  // While the question is open the list reloads and another entry gets selected.
  g_form = &Form();
  g_reloaded = false;
  SetTimer(nullptr, 0, 50, &ReloadAndSelectAnother);
  Boxes().Handle([](const BoxInfo& box) {
    for (int i = 0; i < 500 && !g_reloaded; ++i) Sleep(10);
    DialogAnswerer::Press(box.hwnd, IDYES);
    return true;
  });
  std::set<std::wstring> before = RemovalTrees();
  Click(chess);
  ExpectPrompted(1);
  ASSERT_TRUE(g_reloaded);
  EXPECT_EQ(Form().ListText(), L"Neighbour Game");
  // The box does not show the server, so the class keys stay.
  const std::wstring list = L"HKLM\\" + FromAnsi(kList) + L"\\";
  std::vector<std::wstring> expected = {list + chess, FromAnsi("HKLM\\" + kLmTypeLib + kTypeLib)};
  for (const std::string& id : {kFamily.firstInterfaceId, kFamily.secondInterfaceId})
    for (const std::string& tree : {"HKLM\\" + kLmInterface, std::string("HKCR\\Interface\\")})
      expected.push_back(FromAnsi(tree + id));
  EXPECT_EQ(Gone(before, RemovalTrees()), Below(before, expected));

  // The head file box naming the selected entry's missing server offers its removal; a missing
  // path that is not the selected entry's server is ignored. The class of the system-like entry
  // goes, as the box shows its server; the system's keys stay.
  Form().SetFileBoxText(FromAnsi(systemLike));
  Select(L"System-like");
  Form().SetFileBoxText(FromAnsi(systemLike + "x"));
  ASSERT_EQ(Boxes().SeenCount(), 1u);
  Boxes().Answer(IDYES);
  before = RemovalTrees();
  Form().SetFileBoxText(FromAnsi(systemLike));
  ExpectPrompted(2, true);
  EXPECT_EQ(Gone(before, RemovalTrees()),
            Below(before, {list + L"System-like", L"HKCR\\CLSID\\" + FromAnsi(kSystemLike.classId)}));
  EXPECT_TRUE(PumpUntil([&] { return !Listed(chess) && !Listed(L"System-like") && Listed(L"Neighbour Game"); }, 3000));
}

// ---------------------------------------------------------------- the head file box

using FileBox = SelectionCheck;

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
