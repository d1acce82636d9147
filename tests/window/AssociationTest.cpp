// The .ocx association: written, recognised and removed, the Associate prompt at load and the old
// verbs it removes, the Options dialog, and writes the registry refuses half-way.
#include <atomic>

#include "TestEnv.h"

#include "platform/AnsiText.h"
#include "window/BrokenEntriesDialog.h"
#include "window/GamesWindow.h"
#include "window/MainWindow.h"
#include "window/Startup.h"
#include "fileinfo/InfoPanel.h"
#include "shell/AssociatePrompt.h"
#include "shell/OptionsDialog.h"
#include "shell/OcxAssociation.h"


using namespace testenv;
using WindowTest = MainWindowTest;

namespace {

const char kCommandKey[] = "OCX_FileType\\shell\\Register/Unregister\\command";
const char kSettingsKey[] = "Software\\VB and VBA Program Settings\\VeskOCXInstall\\LocSettings";

// The user's classes, and the machine's, where earlier versions wrote (under Wine HKEY_CLASSES_ROOT).
const HKEY kUser = HKEY_CURRENT_USER, kMachine = HKEY_LOCAL_MACHINE;
std::string In(const std::string& key) { return "Software\\Classes\\" + key; }
std::string Classes(const std::string& key, HKEY root = kUser) { return GetSz(root, In(key), "").value_or("<none>"); }
void SetClasses(const std::string& key, const std::string& value, HKEY root = kUser) { SetSz(root, In(key), "", value); }
std::string Self() { return ToAnsi(shell::StartupExePath()); }

// The verbs of old versions, which the main window's load removes.
const char* const kStaleVerbs[] = {"OCX_FileType\\shell\\command", "OCX_FileType\\shell\\open\\command",
                                   "OCX_FileType\\shell\\open"};

// .ocx made to refuse writes (of values and sub-keys), or to take them again.
void RefuseOcxWrites(bool refuse, HKEY root = kUser) { Refuse(root, In(".ocx"), refuse ? KEY_SET_VALUE | KEY_CREATE_SUB_KEY : 0); }

// .ocx associated with this program in one scope (with the old verbs beside its own in the
// machine's), or with nothing in either.
void SetAssociation(bool associated, HKEY in = kUser) {
  for (const HKEY root : {kUser, kMachine}) {
    RefuseOcxWrites(false, root);  // which makes the key, if need be
    for (const char* key : {".ocx", "OCX_FileType"}) DeleteTree(root, In(key));
  }
  if (!associated) return;
  SetClasses(".ocx", "OCX_FileType", in);
  SetClasses(kCommandKey, Self() + " %1", in);
  SetClasses("OCX_FileType", "Active X Control", in);
  SetClasses("OCX_FileType\\DefaultIcon", Self() + ",0", in);
  for (const char* key : kStaleVerbs) SetClasses(key, "old", kMachine);
}


bool Associated() {
  std::wstring self = shell::StartupExePath();
  return shell::IsOcxAssociated(self);
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

// Written for a program whose path has a blank (quoted) into the user's classes (the machine's refuse a
// standard user), recognised by any form of the path and by earlier versions' unquoted command, removed.
TEST_F(WindowTest, OcxAssociationWrittenRecognisedAndRemoved) {
  const std::string dir = TestDir() + "Program Files\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  const std::string exe = CopyInto(Self(), dir, "Vesk Installer.exe"), quoted = "\"" + exe + "\" %1";
  SetAssociation(false);
  RefuseOcxWrites(true, kMachine);
  ASSERT_TRUE(shell::AssociateOcx(FromAnsi(exe)));
  EXPECT_FALSE(KeyExists(kMachine, In("OCX_FileType")));
  EXPECT_EQ(Classes(".ocx"), "OCX_FileType");
  EXPECT_EQ(Classes(kCommandKey), quoted);
  EXPECT_EQ(Classes("OCX_FileType\\DefaultIcon"), exe + ",0");

  char shortExe[MAX_PATH] = {};
  GetShortPathNameA(exe.c_str(), shortExe, MAX_PATH);
  const struct { const char* fileType; std::string command, asked; bool associated; } cases[] = {
      {"OCX_FileType", quoted, shortExe, true}, {"OCX_FileType", exe + " %1", exe, true},
      {"OCX_FileType", quoted, Self(), false},  {"ocxfile", quoted, exe, false}};
  for (const auto& c : cases) {
    SetClasses(".ocx", c.fileType);
    SetClasses(kCommandKey, c.command);
    std::wstring asked = FromAnsi(c.asked);
    EXPECT_EQ(shell::IsOcxAssociated(asked), c.associated) << c.fileType << " " << c.command << " " << c.asked;
    if (c.associated) EXPECT_EQ(asked, FromAnsi(exe)) << "handed back in its long form";
  }
  EXPECT_FALSE(shell::RemoveOcxAssociation());
  SetClasses(".ocx", "OCX_FileType");
  EXPECT_TRUE(shell::RemoveOcxAssociation());
  EXPECT_EQ(Classes(".ocx"), "ocxfile");
  // An earlier version's .ocx for all users, hidden while the user has an .ocx of their own.
  RefuseOcxWrites(false, kMachine);
  SetClasses(".ocx", "OCX_FileType", kMachine);
  std::wstring asked = FromAnsi(exe);
  EXPECT_FALSE(shell::IsOcxAssociated(asked));
  DeleteTree(kUser, In(".ocx"));
  EXPECT_TRUE(shell::IsOcxAssociated(asked));
}

namespace {
int g_listResets = 0;  // the Games list's reloads
LRESULT CALLBACK CountListResets(int code, WPARAM wParam, LPARAM lParam) {
  g_listResets += reinterpret_cast<const CWPSTRUCT*>(lParam)->message == LB_RESETCONTENT;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
}  // namespace

// The load asks only when .ocx files are not associated with the program and the user did not
// decline for good, removes the old verbs and reads the Games list once.
TEST(MainWindowLoad, AsksOnlyWhenNeededAndRemovesOldVerbs) {
  const HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, &CountListResets, nullptr, GetCurrentThreadId());
  // The setting before ("" absent) and after; answer 0: no prompt.
  // refused: the association key refuses the write, which is reported in a box owned by the prompt.
  struct Case { bool associated; const char* setting; int answer; bool tick; const char* after; bool refused; };
  const Case cases[] = {
      {true, "", 0, false, ""},       {false, "1", 0, false, "1"},   {false, "0", IDNO, false, "0"},
      {false, "", IDNO, false, ""},  {false, "", IDNO, true, "1"},  {false, "", IDYES, false, ""},
      {false, "", IDYES, true, "1", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.associated << " '" << c.setting << "' " << c.answer << c.tick << c.refused);
    SetAssociation(c.associated);
    RefuseOcxWrites(c.refused);
    DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    if (*c.setting) SetSz(HKEY_CURRENT_USER, kSettingsKey, "AssociateMsg", c.setting);
    DialogAnswerer boxes;
    bool ticked = false;
    if (c.answer) Plan(boxes, shell::kDoNotAskCheck, c.tick, c.answer, &ticked);
    if (c.refused) boxes.Answer(IDOK);
    MainWindow form;
    g_listResets = 0;
    form.Show();
    PumpUntil([] { return false; }, 600);
    EXPECT_EQ(g_listResets, 1);
    EXPECT_TRUE(IsWindowVisible(form.hWnd()));
    ASSERT_EQ(boxes.SeenCount(), c.answer ? 1u + c.refused : 0u);
    if (c.refused) EXPECT_EQ(boxes.Seen()[1].owner, boxes.Seen()[0].hwnd) << "the box behind took clicks";
    EXPECT_EQ(GetSz(HKEY_CURRENT_USER, kSettingsKey, "AssociateMsg").value_or(""), c.after);
    EXPECT_EQ(Associated(), c.associated || (c.answer == IDYES && !c.refused));
    for (const char* key : kStaleVerbs) EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
    if (c.refused) EXPECT_FALSE(KeyExists(kUser, In("OCX_FileType"))) << "the file type was not taken back";
  }
  RefuseOcxWrites(false);
  UnhookWindowsHookEx(hook);
}

// Both dialogs from the keyboard, keys typed into the one that has the focus: Enter is the default
// button (Yes, OK), also from a check box, Esc is No or a close without change, Tab moves on, Space
// and the keys D and A tick the check boxes.
TEST(MainWindowLoad, DialogsAnswerTheKeyboard) {
  using Keys = std::vector<std::vector<WORD>>;
  const struct { bool options; Keys keys; bool associated; const char* setting; } cases[] = {
      {false, {{VK_RETURN}}, true, ""}, {false, {{VK_ESCAPE}}, false, ""}, {false, {{VK_TAB}, {VK_RETURN}}, false, ""},
      {false, {{'D'}, {VK_ESCAPE}}, false, "1"}, {false, {{VK_TAB}, {VK_TAB}, {VK_SPACE}, {VK_RETURN}}, true, "1"},
      {true, {{VK_TAB}, {VK_SPACE}, {VK_RETURN}}, true, "1"}, {true, {{'A'}, {VK_ESCAPE}}, false, "1"},
      {true, {{VK_RETURN}}, false, "1"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.options << " " << c.keys.size() << " keys, the first " << c.keys[0][0]);
    SetAssociation(false);
    DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    if (c.options) SuppressAssociatePrompt();
    DialogAnswerer boxes;
    std::atomic<int> closed{0};  // 1: by the keys, 2: not by them
    boxes.Handle([&](const BoxInfo& box) {
      Type(c.keys);
      for (int i = 0; i < 250 && IsWindow(box.hwnd); ++i) Sleep(20);
      return (closed = IsWindow(box.hwnd) ? 2 : 1) == 1 || PostMessageW(box.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    MainWindow form;
    form.Show();
    if (c.options) shell::ShowModal(form.hWnd());
    EXPECT_TRUE(PumpUntil([&] { return closed == 1; }, 6000)) << "the keys did not close the dialog";
    EXPECT_EQ(Associated(), c.associated);
    EXPECT_EQ(GetSz(HKEY_CURRENT_USER, kSettingsKey, "AssociateMsg").value_or(""), c.setting);
  }
}

// A write refused in the middle (the verb's command) takes back what came before it, leaves .ocx as
// it was and says so. Options shows a half-written association (no icon) unticked; OK writes it whole.
TEST_F(WindowTest, ARefusedWriteInTheMiddleLeavesNothingHalfWritten) {
  SetAssociation(false);
  SetClasses(".ocx", "ocxfile");
  SetClasses("OCX_FileType", "Old text");
  Refuse(kUser, In(kCommandKey), KEY_SET_VALUE);
  Boxes().Answer(IDOK);
  EXPECT_FALSE(shell::AssociateOcx(shell::StartupExePath()));
  EXPECT_EQ(Classes(".ocx"), "ocxfile");
  EXPECT_EQ(Classes("OCX_FileType"), "Old text");
  EXPECT_FALSE(KeyExists(kUser, In("OCX_FileType\\DefaultIcon")));
  EXPECT_TRUE(Boxes().Seen().back().text.ends_with(L"Nothing was changed.")) << ToAnsi(Boxes().Seen().back().text);
  Refuse(kUser, In(kCommandKey), 0);
  SetClasses(".ocx", "OCX_FileType");
  SetClasses(kCommandKey, Self() + " %1");
  bool ticked = true;
  Plan(Boxes(), shell::kAssociateCheck, true, IDOK, &ticked);
  shell::ShowModal(Window().hWnd());
  EXPECT_FALSE(ticked);
  EXPECT_TRUE(Associated());
}

// The dialog shows whether .ocx files are associated, also by an earlier version for all users; OK
// writes or removes the association as ticked, where it is; the close box changes nothing.
TEST_F(WindowTest, OptionsDialogWritesAndRemovesTheAssociation) {
  const struct { bool associated, click; int button; bool refused, machine; } cases[] = {
      {false, true, IDOK}, {true, true, IDOK}, {true, false, IDOK}, {false, true, 0}, {false, true, IDOK, true},
      {true, true, IDOK, false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.associated << c.click << c.button << c.refused << c.machine);
    SetAssociation(c.associated, c.machine ? kMachine : kUser);
    if (c.refused) RefuseOcxWrites(true);
    bool ticked = !c.associated;
    Plan(Boxes(), shell::kAssociateCheck, c.click, c.button, &ticked);
    if (c.refused) Boxes().Answer(IDOK);
    shell::ShowModal(Window().hWnd());
    EXPECT_EQ(ticked, c.associated);
    EXPECT_EQ(Associated(), c.associated != (c.click && c.button && !c.refused));
    if (c.associated && c.click) EXPECT_EQ(Classes(".ocx", c.machine ? kMachine : kUser), "ocxfile");
    if (c.refused) EXPECT_EQ(Boxes().Seen().back().owner, Boxes().Seen().end()[-2].hwnd) << "owned by Options";
  }
  RefuseOcxWrites(false);
}
