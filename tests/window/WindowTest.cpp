// The main window in this process: the hand-off message, focus, the refresh timer, load, the .ocx
// association with the Associate prompt and the Options dialog, and texts that fit at every scale.
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

std::wstring DlgText(HWND dialog, int id) {
  wchar_t text[256] = {};
  GetDlgItemTextW(dialog, id, text, 256);
  return text;
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

// As a second start sends it: the code page text up to its first zero or cbData, or UTF-16 with
// dwData 4; another dwData is another program's data. The long form goes into the box, or nothing for
// a missing file. The box has the focus after start-up and after a box.
TEST_F(WindowTest, HandOffMessagesPutTheLongPathIntoTheBox) {
  EXPECT_EQ(GetFocus(), Window().HeadFileBox()) << "typing after start-up goes to the head file box";
  const std::string dir = TestDir(), path = dir + "Long Head Name.ocx", z(1, '\0');
  WriteFileBytes(path, "x");
  char shortPath[MAX_PATH] = {};
  GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
  const std::wstring wide = FromAnsi(shortPath) + L'\0', full = FromAnsi(path);
  std::wstring whileOpen = L"?";  // a path handed over while a box is open waits for it to close
  Boxes().Handle([&](const BoxInfo& box) {
    window::SendHandOff(Window().hWnd(), full);
    whileOpen = Window().HeadFileText();
    return DialogAnswerer::Press(box.hwnd, IDOK), true;
  });
  const HWND reg = GetDlgItem(Window().hWnd(), kRegisterButton);  // clicked with the box empty: "Please enter..."
  PostMessageW(reg, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4)), PostMessageW(reg, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
  ASSERT_TRUE(PumpUntil([&] { return Boxes().SeenCount() == 1; }, 3000));
  EXPECT_EQ(whileOpen, L"");
  EXPECT_TRUE(PumpUntil([&] { return GetFocus() == Window().HeadFileBox() && Window().HeadFileText() == full; }, 2000))
      << "focus (not on the button clicked) and the path after a box";
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

// Typed text is checked once the typing pauses, not at every key.
TEST_F(WindowTest, TypedTextIsCheckedWhenTheTypingPauses) {
  const std::wstring before = Window().PanelText();
  Type({{'C'}, {'R'}, {'E'}, {'D'}, {'I'}, {'T'}, {'S'}});
  ASSERT_TRUE(PumpUntil([&] { return Window().HeadFileText() == L"credits"; }, 3000));
  EXPECT_EQ(Window().PanelText(), before) << "checked before the typing paused";
  EXPECT_TRUE(PumpUntil([&] { return Window().PanelText() != before; }, 3000)) << "not checked after the pause";
}

// The pointer on Register, then straight out of the window: Register shows its normal picture again.
TEST_F(WindowTest, HoverPicturesTurnNormalWhenThePointerLeavesTheWindow) {
  RECT r;
  GetWindowRect(GetDlgItem(Window().hWnd(), kRegisterButton), &r);
  const auto shows = [&](int id) { return Window().Picture(kRegisterButton).Picture() == Window().Picture(id).Picture(); };
  for (const auto& [at, picture] : {std::pair{POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, kRegisterHoverPicture},
                                    {POINT{0, 0}, kRegisterPicture}}) {
    INPUT move{INPUT_MOUSE, {}};
    move.mi = {MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1), MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1),
               0, MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, 0, 0};
    SendInput(1, &move, sizeof move);
    EXPECT_TRUE(PumpUntil([&] { return shows(picture); }, 3000)) << picture;
  }
}

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

// How many texts of a dialog its controls cut: a button's or check box's on its one line (a check
// box's beside its box), a static's in the lines its height holds.
int TextsCut(HWND dialog) {
  int cut = 0;
  for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
    wchar_t text[256] = {}, kind[16] = {};
    GetWindowTextW(control, text, 256), GetClassNameW(control, kind, 16);
    const bool isStatic = _wcsicmp(kind, L"Static") == 0;
    RECT room{}, need{};
    GetClientRect(control, &room);
    const bool check = (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX && !isStatic;
    if (!isStatic) room.right -= 2 * GetSystemMetrics(SM_CXEDGE) + (check ? GetSystemMetrics(SM_CXMENUCHECK) : 0);
    need.right = room.right;
    HDC dc = GetDC(control);
    SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    DrawTextW(dc, text, -1, &need, DT_CALCRECT | (isStatic ? DT_WORDBREAK : DT_SINGLELINE));
    cut += need.right > room.right || need.bottom > room.bottom;
    ReleaseDC(control, dc);
  }
  return cut;
}

// Every text of both dialogs fits its control, each line of the panel's texts fits one line of the
// panel, and the controls lie inside the window, at 96 dots per inch and, measured by copies of this
// program started with the setting changed, at 120 and 144.
TEST_F(WindowTest, TextsFitAtEveryScale) {
  const char kDesktop[] = "Control Panel\\Desktop";
  char copyDpi[8] = {};
  if (!GetEnvironmentVariableA("VESK_SCALE_COPY", copyDpi, 8)) {
    for (const DWORD dpi : {120u, 144u}) {
      RegSetKeyValueA(HKEY_CURRENT_USER, kDesktop, "LogPixels", REG_DWORD, &dpi, sizeof dpi);
      SetEnvironmentVariableA("VESK_SCALE_COPY", std::to_string(dpi).c_str());
      EXPECT_EQ(Process("\"" + ExeDir() + "window_test.exe\" --gtest_filter=*TextsFit*").WaitExit(60000), 0u) << dpi;
    }
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kDesktop, "LogPixels");
  }
  EXPECT_EQ(GetDeviceCaps(GetDC(nullptr), LOGPIXELSY), *copyDpi ? atoi(copyDpi) : 96) << "the scale measured at";
  // Options opens centred over the main window, wherever that is.
  SetWindowPos(Window().hWnd(), nullptr, 20, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  const auto centre = [](HWND hwnd) { RECT r; return GetWindowRect(hwnd, &r), POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; };
  DeleteTree(HKEY_LOCAL_MACHINE, "Software\\CLASSES\\Software\\Ubique");  // Broken Entries: nothing found
  for (int dialog = 0; dialog < 3; ++dialog)
    Boxes().Handle([&](const BoxInfo& box) {
      for (int i = 0; i < 200 && box.caption == BrokenEntriesDialog::kCaption && !DlgText(box.hwnd, BrokenEntriesDialog::kStatusText).starts_with(L"No "); ++i)
        Sleep(10);
      if (box.caption == BrokenEntriesDialog::kCaption)  // nothing found: only Close
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(box.hwnd, BrokenEntriesDialog::kRemoveButton)) || IsWindowVisible(GetDlgItem(box.hwnd, BrokenEntriesDialog::kEntryList)));
      EXPECT_EQ(TextsCut(box.hwnd), 0) << ToAnsi(box.caption);
      if (box.owner) EXPECT_LE(abs(centre(box.hwnd).x - centre(box.owner).x) + abs(centre(box.hwnd).y - centre(box.owner).y), 2);
      return PostMessageW(box.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0) != FALSE;
    });
  shell::ShowModal();
  shell::ShowModal(Window().hWnd());
  window::FindBrokenEntries(Window());
  // No panel line wraps: the panel has one line more than its text has line ends (the empty last one).
  const auto unwrapped = [&] {
    const std::wstring t = Window().PanelText();
    return SendMessageW(Window().InfoPanel(), EM_GETLINECOUNT, 0, 0) == std::count(t.begin(), t.end(), L'\n') + 1;
  };
  EXPECT_TRUE(unwrapped()) << "the initial text";
  fileinfo::ShowFileInfo(Window(), L"C:\\missing.ocx");
  EXPECT_TRUE(unwrapped()) << "the introduction";
  Window().SetHeadFileText(L"credits");
  EXPECT_TRUE(unwrapped()) << "the credits";
  RECT client, control;
  GetClientRect(Window().hWnd(), &client);
  for (HWND child : {Window().InfoPanel(), Window().HeadFileBox(), Window().GamesList()}) {
    GetWindowRect(child, &control);
    MapWindowPoints(nullptr, Window().hWnd(), reinterpret_cast<POINT*>(&control), 2);
    EXPECT_TRUE(control.left >= 0 && control.top >= 0 && control.right <= client.right &&
                control.bottom <= client.bottom);
  }
}

// "Find Broken Entries..." from the keyboard (Shift+F10 and B on the Games list). Over 40,000
// entries the dialog shows how far the check is and answers at once; Esc stops it. Over a small
// list, Space unticks the first broken entry and Alt+R removes the other: the panel names it and
// the copy, the list reloads once, and the unticked entry stays.
TEST_F(WindowTest, BrokenEntriesFromTheKeyboard) {
  using Dialog = BrokenEntriesDialog;
  const std::string list = "Software\\CLASSES\\Software\\Ubique\\VPgames32";
  auto plant = [&](int count, const char* id) {
    DeleteTree(HKEY_LOCAL_MACHINE, "Software\\CLASSES\\Software\\Ubique");
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, list.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    for (int i = 0; i < count; ++i) RegSetKeyValueA(key, ("Game " + std::to_string(100000 + i)).c_str(), nullptr, REG_SZ, id, 39);
    RegCloseKey(key);
  };
  auto open = [&](std::atomic<bool>& closed) {
    SetForegroundWindow(Window().hWnd());
    SetFocus(Window().GamesList());
    Type({{VK_SHIFT, VK_F10}, {'B'}});
    return PumpUntil([&] { return closed.load(); }, 30000);
  };
  plant(40000, "{12345678-0000-0000-0000-000000000000}");
  std::atomic<bool> closed{false}, answered{false};
  std::wstring progress;
  Boxes().Handle([&](const BoxInfo& box) {
    for (int i = 0; i < 1000 && progress.find(L" of 40000 ") == std::wstring::npos; ++i, Sleep(5)) progress = DlgText(box.hwnd, Dialog::kStatusText);
    DWORD_PTR result = 0;
    answered = SendMessageTimeoutW(box.hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 500, &result) != 0;
    Type({{VK_ESCAPE}});
    for (int i = 0; i < 100 && IsWindow(box.hwnd); ++i) Sleep(10);
    return (closed = !IsWindow(box.hwnd)) || PostMessageW(box.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  EXPECT_TRUE(open(closed));
  EXPECT_NE(progress.find(L" of 40000 entries checked"), std::wstring::npos) << ToAnsi(progress);
  EXPECT_TRUE(answered);
  EXPECT_TRUE(closed) << "Esc did not stop the check at once";
  EXPECT_FALSE(Window().RefreshPending());

  plant(3, "{12345678-0000-0000-0000-000000000000}");  // Game 100000 and 100002 broken, 100001 works
  const std::string server = "CLSID\\{12345678-0000-0000-0000-000000000001}\\InprocServer32";
  SetSz(HKEY_CLASSES_ROOT, server, "", Self());
  SetSz(HKEY_LOCAL_MACHINE, list + "\\Game 100001", "", "{12345678-0000-0000-0000-000000000001}");
  closed = false;
  bool ticks[2] = {};
  Boxes().Handle([&](const BoxInfo& box) {
    HWND entries = GetDlgItem(box.hwnd, Dialog::kEntryList);
    for (int i = 0; i < 500 && SendMessageW(entries, LVM_GETITEMCOUNT, 0, 0) != 2; ++i) Sleep(10);
    Type({{VK_SPACE}});
    Sleep(200);
    for (int i : {0, 1}) ticks[i] = ListView_GetCheckState(entries, i);
    Type({{VK_MENU, 'R'}});
    for (int i = 0; i < 300 && IsWindow(box.hwnd); ++i) Sleep(10);
    return (closed = !IsWindow(box.hwnd)) || PostMessageW(box.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  EXPECT_TRUE(open(closed));
  EXPECT_FALSE(ticks[0]);
  EXPECT_TRUE(ticks[1]);
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, list + "\\Game 100000"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, list + "\\Game 100002"));
  const std::wstring panel = Window().PanelText();
  EXPECT_NE(panel.find(L"\"Game 100002\" is removed.\r\n"), std::wstring::npos) << ToAnsi(panel);
  EXPECT_NE(panel.find(L"\\Broken entries 20"), std::wstring::npos);
  EXPECT_TRUE(PumpUntil([&] { return !Window().RefreshPending(); }, 3000));
  EXPECT_EQ(ListCount(Window().GamesList()), 2);
}
