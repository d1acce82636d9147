// The main window in this process: the hand-off message, the refresh timer, load and
// unload, and the .ocx association with the Associate prompt and the Options dialog.
#include "TestEnv.h"
#include "platform/AnsiText.h"
#include "app/MainWindow.h"
#include "app/Startup.h"
#include "shell/AssociatePrompt.h"
#include "shell/OptionsDialog.h"
#include "shell/OcxAssociation.h"

using namespace testenv;
using WindowTest = MainWindowTest;

namespace {

const char kCommandKey[] = "OCX_FileType\\shell\\Register/Unregister\\command";
const char kSettingsKey[] = "Software\\VB and VBA Program Settings\\VeskOCXInstall\\LocSettings";

std::string Classes(const std::string& key) { return GetSz(HKEY_CLASSES_ROOT, key, "").value_or("<none>"); }
std::string Self() { return ToAnsi(association::StartupExePath()); }

// The verbs of old versions, which the main window's load removes.
const char* const kStaleVerbs[] = {"OCX_FileType\\shell\\command", "OCX_FileType\\shell\\open\\command",
                                   "OCX_FileType\\shell\\open"};

// .ocx associated with this program (with the old verbs beside its own), or with nothing.
void SetAssociation(bool associated) {
  for (const char* key : {".ocx", "OCX_FileType"}) DeleteTree(HKEY_CLASSES_ROOT, key);
  if (!associated) return;
  SetSz(HKEY_CLASSES_ROOT, ".ocx", "", "OCX_FileType");
  SetSz(HKEY_CLASSES_ROOT, kCommandKey, "", Self() + " %1");
  for (const char* key : kStaleVerbs) SetSz(HKEY_CLASSES_ROOT, key, "", "old");
}

bool Associated() {
  std::wstring self = association::StartupExePath();
  return association::IsOcxAssociated(self);
}

// The next dialog: notes whether its check box shows ticked, clicks it or not, then presses a
// button (0: the close box).
void Plan(DialogAnswerer& boxes, int checkBox, bool click, int button, bool* ticked) {
  boxes.Handle([=](const BoxInfo& box) {
    *ticked = SendDlgItemMessageW(box.hwnd, checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (click) SendDlgItemMessageW(box.hwnd, checkBox, BM_CLICK, 0, 0);
    if (button) DialogAnswerer::Press(box.hwnd, button);
    return button || PostMessageW(box.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  });
}

}  // namespace

// As a second start sends it: the code page text up to its first zero or cbData, or UTF-16 with
// dwData 4; another dwData is another program's data. the window puts the long form into the box, or
// nothing for a missing file.
TEST_F(WindowTest, HandOffMessagesPutTheLongPathIntoTheBox) {
  EXPECT_EQ(GetFocus(), Window().HeadFileBox()) << "typing after start-up goes to the head file box";
  const std::string dir = TestDir(), path = dir + "Long Head Name.ocx", z(1, '\0');
  WriteFileBytes(path, "x");
  char shortPath[MAX_PATH] = {};
  GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
  const std::wstring wide = FromAnsi(shortPath) + L'\0', full = FromAnsi(path);
  const std::string utf16(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
  const struct { ULONG_PTR dwData; std::string bytes; std::wstring box; } messages[] = {
      {3, shortPath + z, full}, {3, shortPath, full}, {3, shortPath + z + "junk", full}, {3, "", L""},
      {3, dir + "gone.ocx" + z, L""}, {4, utf16, full}, {7, "", L"before"}};
  for (const auto& m : messages) {
    Window().SetHeadFileText(L"before");
    COPYDATASTRUCT cds{m.dwData, DWORD(m.bytes.size()), const_cast<char*>(m.bytes.data())};
    SendMessageW(Window().hWnd(), WM_COPYDATA, 0, LPARAM(&cds));
    EXPECT_EQ(Window().HeadFileText(), m.box) << m.dwData << " " << m.bytes;
  }
}

TEST_F(WindowTest, SeveralRefreshRequestsBeforeATickGiveOneReload) {
  const std::string games = "Software\\CLASSES\\Software\\Ubique\\VPgames32\\";
  ASSERT_TRUE(PumpUntil([&] { return !Window().RefreshPending(); }, 3000)) << "the creation tick";
  SetSz(HKEY_LOCAL_MACHINE, games + "Chess", "", "{00000000-0000-0000-0000-000000000000}");
  for (int i = 0; i < 3; ++i) Window().RequestListRefresh();
  ASSERT_TRUE(PumpUntil([&] { return !Window().RefreshPending(); }, 3000));
  EXPECT_EQ(ListCount(Window().GamesList()), 1);
  // A second reload would show an entry added after the first one.
  SetSz(HKEY_LOCAL_MACHINE, games + "Darts", "", "{00000000-0000-0000-0000-000000000000}");
  PumpFor(1200);
  EXPECT_EQ(ListCount(Window().GamesList()), 1);
  DeleteTree(HKEY_LOCAL_MACHINE, games);
}

// Written for a program whose path has a blank (quoted), recognised by any form of the path and
// by the unquoted command of earlier versions, and removed only from the program's own type.
TEST_F(WindowTest, OcxAssociationWrittenRecognisedAndRemoved) {
  const std::string dir = TestDir() + "Program Files\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  const std::string exe = CopyInto(Self(), dir, "Vesk Installer.exe"), quoted = "\"" + exe + "\" %1";
  SetAssociation(false);
  ASSERT_TRUE(association::AssociateOcx(FromAnsi(exe)));
  EXPECT_EQ(Classes(".ocx"), "OCX_FileType");
  EXPECT_EQ(Classes(kCommandKey), quoted);
  EXPECT_EQ(Classes("OCX_FileType\\DefaultIcon"), exe + ",0");

  char shortExe[MAX_PATH] = {};
  GetShortPathNameA(exe.c_str(), shortExe, MAX_PATH);
  const struct { const char* fileType; std::string command, asked; bool associated; } cases[] = {
      {"OCX_FileType", quoted, shortExe, true}, {"OCX_FileType", exe + " %1", exe, true},
      {"OCX_FileType", quoted, Self(), false},  {"ocxfile", quoted, exe, false}};
  for (const auto& c : cases) {
    SetSz(HKEY_CLASSES_ROOT, ".ocx", "", c.fileType);
    SetSz(HKEY_CLASSES_ROOT, kCommandKey, "", c.command);
    std::wstring asked = FromAnsi(c.asked);
    EXPECT_EQ(association::IsOcxAssociated(asked), c.associated) << c.fileType << " " << c.command << " " << c.asked;
    if (c.associated) EXPECT_EQ(asked, FromAnsi(exe)) << "handed back in its long form";
  }
  EXPECT_FALSE(association::RemoveOcxAssociation());
  SetSz(HKEY_CLASSES_ROOT, ".ocx", "", "OCX_FileType");
  EXPECT_TRUE(association::RemoveOcxAssociation());
  EXPECT_EQ(Classes(".ocx"), "ocxfile");
}

// The load asks only when .ocx files are not associated with the program and the user did not
// decline for good, and removes the old verbs.
TEST(MainWindowLoad, AsksOnlyWhenNeededAndRemovesOldVerbs) {
  // The setting before ("" absent) and after; answer 0: no prompt.
  const struct { bool associated; const char* setting; int answer; bool tick; const char* after; } cases[] = {
      {true, "", 0, false, ""},      {false, "1", 0, false, "1"},   {false, "0", IDNO, false, "0"},
      {false, "", IDNO, false, ""}, {false, "", IDNO, true, "1"}, {false, "", IDYES, false, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.associated << " '" << c.setting << "' " << c.answer << c.tick);
    SetAssociation(c.associated);
    DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    if (*c.setting) SetSz(HKEY_CURRENT_USER, kSettingsKey, "AssociateMsg", c.setting);
    DialogAnswerer boxes;
    bool ticked = false;
    if (c.answer) Plan(boxes, associate_prompt::kDoNotAskCheck, c.tick, c.answer, &ticked);
    MainWindow form;
    form.Show();
    EXPECT_TRUE(IsWindowVisible(form.hWnd()));
    EXPECT_EQ(boxes.SeenCount(), c.answer ? 1u : 0u);
    EXPECT_EQ(GetSz(HKEY_CURRENT_USER, kSettingsKey, "AssociateMsg").value_or(""), c.after);
    EXPECT_EQ(Associated(), c.associated || c.answer == IDYES);
    for (const char* key : kStaleVerbs) EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
  }
}

// The dialog shows whether .ocx files are associated; OK writes or removes the association as
// ticked, the close box changes nothing.
TEST_F(WindowTest, OptionsDialogWritesAndRemovesTheAssociation) {
  const struct { bool associated, click; int button; } cases[] = {
      {false, true, IDOK}, {true, true, IDOK}, {true, false, IDOK}, {false, true, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.associated << c.click << c.button);
    SetAssociation(c.associated);
    bool ticked = !c.associated;
    Plan(Boxes(), options_dialog::kAssociateCheck, c.click, c.button, &ticked);
    options_dialog::ShowModal(Window().hWnd());
    EXPECT_EQ(ticked, c.associated);
    EXPECT_EQ(Associated(), c.associated != (c.click && c.button));
    if (c.associated && c.click) EXPECT_EQ(Classes(".ocx"), "ocxfile");
  }
}
