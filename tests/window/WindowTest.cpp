// The main window in this process: the hand-off message, focus, the refresh timer, hover pictures,
// texts that fit at every scale, and the Broken Entries dialog driven from the keyboard.
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

std::wstring DlgText(HWND dialog, int id) {
  wchar_t text[256] = {};
  GetDlgItemTextW(dialog, id, text, 256);
  return text;
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
  SetSz(HKEY_CLASSES_ROOT, server, "", ToAnsi(shell::StartupExePath()));
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
