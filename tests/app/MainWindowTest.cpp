// The main window in this process: its design, load sequence, timer and public operations.
#include <gtest/gtest.h>

#include "TestEnv.h"
#include "app/AnsiText.h"
#include "app/Controls.h"
#include "app/MsgBox.h"
#include "app/PictureBox.h"
#include "app/frmMain.h"
#include "app/modMultipleInstance.h"
#include "fileinfo/PanelTexts.h"

using namespace testenv;

namespace {

const char kGames[] = "Software\\CLASSES\\Software\\Ubique\\VPgames32";

RECT PlaceOf(HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// A control's place: a child window's, or a picture's place on the client area.
void ExpectPlace(const frmMain& form, int id, int left, int top, int width, int height) {
  RECT r;
  if (id >= kFirstPicture) {
    r = form.Picture(id).Place();
    EXPECT_TRUE(form.Picture(id).Visible()) << id;
  } else {
    HWND control = GetDlgItem(form.hWnd(), id);
    ASSERT_TRUE(control) << id;
    r = PlaceOf(control);
  }
  EXPECT_EQ(r.left, left / 15) << id;
  EXPECT_EQ(r.top, top / 15) << id;
  EXPECT_EQ(r.right - r.left, width / 15) << id;
  EXPECT_EQ(r.bottom - r.top, height / 15) << id;
}

// Sends a hand-off message to the window as another process would, with a payload as given.
void SendCopyData(HWND target, const std::string& payload, DWORD cbData) {
  COPYDATASTRUCT cds{};
  cds.dwData = 3;
  cds.cbData = cbData;
  cds.lpData = cbData ? const_cast<char*>(payload.data()) : nullptr;
  SendMessageA(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
}

}  // namespace

using MainWindow = MainWindowTest;

TEST_F(MainWindow, BorderlessWindowWithItsControlsInPlace) {
  HWND form = Form().hWnd();
  char caption[64] = {};
  GetWindowTextA(form, caption, sizeof caption);
  EXPECT_STREQ(caption, "Vesk Game/Head Installer");
  EXPECT_EQ(FindWindowA(nullptr, "Vesk Game/Head Installer"), form);
  const LONG style = GetWindowLongA(form, GWL_STYLE);
  EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_DLGFRAME));
  RECT client;
  GetClientRect(form, &client);
  EXPECT_EQ(client.right, 427);
  EXPECT_EQ(client.bottom, 357);
  EXPECT_TRUE(IsWindowVisible(form));

  ExpectPlace(Form(), IDC_lstGames, 3480, 945, 2640, 4170);
  ExpectPlace(Form(), IDC_txtOCXFile, 240, 4275, 2130, 300);
  ExpectPlace(Form(), IDC_txtMain, 240, 1755, 3030, 2295);
  ExpectPlace(Form(), IDC_imgVersion, 2820, 60, 1050, 165);
  ExpectPlace(Form(), IDC_imgClose, 6045, 30, 240, 225);
  ExpectPlace(Form(), IDC_imgMini, 5700, 30, 240, 225);
  ExpectPlace(Form(), IDC_Image5, 255, 480, 3045, 1125);
  ExpectPlace(Form(), IDC_Image3, 1755, 4785, 1545, 360);
  ExpectPlace(Form(), IDC_Image2, 195, 4785, 1545, 360);
  ExpectPlace(Form(), IDC_Image1, 2505, 4290, 750, 300);
  // The picture holders lie below the visible client area.
  for (int id : {IDC_imgSelSel, IDC_imgSel, IDC_imgUnRegSel, IDC_imgRegSel, IDC_imgReg, IDC_imgUnReg}) {
    EXPECT_GT(Form().Picture(id).Place().top, 357) << id;
    EXPECT_FALSE(Form().Picture(id).Visible()) << id;
  }
}

TEST_F(MainWindow, ColoursTabOrderAndInitialTexts) {
  HWND form = Form().hWnd();
  HDC dc = GetDC(form);
  auto colours = [&](UINT msg, HWND control) {
    SendMessageW(form, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
    return std::make_pair(GetTextColor(dc), GetBkColor(dc));
  };
  EXPECT_EQ(colours(WM_CTLCOLORLISTBOX, Form().lstGames()), std::make_pair(RGB(0, 255, 0), RGB(0, 0, 0)));
  EXPECT_EQ(colours(WM_CTLCOLOREDIT, Form().txtOCXFile()), std::make_pair(RGB(255, 255, 0), RGB(0, 0, 0)));
  EXPECT_EQ(colours(WM_CTLCOLORSTATIC, Form().txtMain()), std::make_pair(RGB(0, 255, 0), RGB(0, 0, 0)));
  ReleaseDC(form, dc);

  // txtMain comes first but is no tab stop: tabbing goes file box, then list.
  HWND first = GetNextDlgTabItem(form, nullptr, FALSE);
  EXPECT_EQ(first, Form().txtOCXFile());
  EXPECT_EQ(GetNextDlgTabItem(form, first, FALSE), Form().lstGames());
  EXPECT_FALSE(GetWindowLongA(Form().txtMain(), GWL_STYLE) & WS_TABSTOP);

  EXPECT_EQ(Form().FileBoxText(), L"");
  const std::wstring panel = Form().PanelText();
  EXPECT_EQ(panel, InitialPanelText());
  EXPECT_EQ(panel.substr(0, 37), std::wstring(35, L' ') + L"\r\n");
  EXPECT_NE(panel.find(L"  This will install a VPlaces Game/Head in \r\n"), std::wstring::npos);
  EXPECT_NE(panel.find(L"         For more information visit us at: \r\n" + std::wstring(14, L' ') + L"http"),
            std::wstring::npos);
  EXPECT_EQ(panel.substr(panel.size() - 7), L"\r\n\r\n \r\n");
  EXPECT_TRUE(Form().Timer1Enabled()) << "Timer1 runs from the window's creation";
}

TEST_F(MainWindow, AddCallPutsTheLongPathIntoTheBoxAndReturnsFalse) {
  const std::string dir = TestDir();
  WriteFileBytes(dir + "Long Head Name.ocx", "x");
  char shortPath[MAX_PATH] = {};
  GetShortPathNameA((dir + "Long Head Name.ocx").c_str(), shortPath, MAX_PATH);
  std::wstring call = FromAnsi(shortPath);
  EXPECT_FALSE(Form().AddCall(call));
  EXPECT_EQ(call, FromAnsi(dir + "Long Head Name.ocx")) << "the caller's variable receives the long form";
  EXPECT_EQ(Form().FileBoxText(), call);

  std::wstring missing = FromAnsi(dir + "gone.ocx");
  EXPECT_FALSE(Form().AddCall(missing));
  EXPECT_EQ(missing, L"");
  EXPECT_EQ(Form().FileBoxText(), L"");
}

TEST_F(MainWindow, AddCallLeavesAMinimisedWindowMinimised) {
  const std::string dir = TestDir();
  WriteFileBytes(dir + "a.ocx", "x");
  ShowWindow(Form().hWnd(), SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(Form().hWnd()));
  std::wstring call = FromAnsi(dir + "a.ocx");
  Form().AddCall(call);
  EXPECT_TRUE(IsIconic(Form().hWnd()));
  EXPECT_EQ(Form().FileBoxText(), call);
}

TEST_F(MainWindow, HandOffPayloads) {
  const std::string dir = TestDir();
  WriteFileBytes(dir + "a.ocx", "x");
  const std::string path = dir + "a.ocx";
  HWND form = Form().hWnd();

  SendCopyData(form, path + '\0', static_cast<DWORD>(path.size() + 1));
  EXPECT_EQ(Form().FileBoxText(), FromAnsi(path));

  SendCopyData(form, std::string(), 0);  // cbData 0: the empty text
  EXPECT_EQ(Form().FileBoxText(), L"");

  SendCopyData(form, path, static_cast<DWORD>(path.size()));  // no zero byte: all cbData bytes
  EXPECT_EQ(Form().FileBoxText(), FromAnsi(path));

  SendCopyData(form, std::string(), 0);
  const std::string withZero = path + std::string(1, '\0') + "junk";
  SendCopyData(form, withZero, static_cast<DWORD>(withZero.size()));  // the bytes before the zero
  EXPECT_EQ(Form().FileBoxText(), FromAnsi(path));

  // Other messages still reach the window's own procedure through the hook.
  EXPECT_EQ(GetWindowTextLengthA(form), 24);
}

TEST_F(MainWindow, ErrMsgProcShowsMessageNumberAndDescription) {
  Boxes().Answer(IDOK);
  Form().ErrMsgProc(L"13 - Type mismatch", RunTimeError{13, L"VeskInstaller", L"Type mismatch"});
  ASSERT_EQ(Boxes().SeenCount(), 1u);
  const BoxInfo box = Boxes().Seen()[0];
  EXPECT_EQ(box.caption, L"Vesk\u2122 Game/Head Installer");
  EXPECT_EQ(box.text, L"13 - Type mismatch\r\n13     Type mismatch");
  EXPECT_EQ(box.icon, BoxIcon::None);
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
}

TEST_F(MainWindow, SeveralRefreshRequestsBeforeATickGiveOneReload) {
  DeleteTree(HKEY_LOCAL_MACHINE, "Software\\CLASSES\\Software\\Ubique");
  ASSERT_TRUE(PumpUntil([&] { return !Form().Timer1Enabled(); }, 3000)) << "the creation tick";
  SetSz(HKEY_LOCAL_MACHINE, std::string(kGames) + "\\Chess", "", "{00000000-0000-0000-0000-000000000000}");
  Form().EnableTimer1();
  Form().EnableTimer1();
  Form().EnableTimer1();
  EXPECT_EQ(Form().ListCount(), 0);
  ASSERT_TRUE(PumpUntil([&] { return !Form().Timer1Enabled(); }, 3000));
  EXPECT_EQ(Form().ListCount(), 1);
  // A second reload would show an entry added after the first one.
  SetSz(HKEY_LOCAL_MACHINE, std::string(kGames) + "\\Darts", "", "{00000000-0000-0000-0000-000000000000}");
  PumpFor(1200);
  EXPECT_EQ(Form().ListCount(), 1);
  DeleteTree(HKEY_LOCAL_MACHINE, "Software\\CLASSES\\Software\\Ubique");
}

TEST(MainWindowLoad, RemovesExactlyTheThreeStaleVerbKeys) {
  SuppressAssociatePrompt();
  const char* stale[] = {"OCX_FileType\\shell\\command", "OCX_FileType\\shell\\open\\command",
                         "OCX_FileType\\shell\\open"};
  for (const char* key : stale) SetSz(HKEY_CLASSES_ROOT, key, "", "old");
  SetSz(HKEY_CLASSES_ROOT, "OCX_FileType\\shell\\Register/Unregister\\command", "", "C:\\x.exe %1");
  SetSz(HKEY_CLASSES_ROOT, "OCX_FileType\\shell\\print\\command", "", "keep");
  {
    DialogAnswerer boxes;
    frmMain form;
    form.Show();
    for (const char* key : stale) EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
    EXPECT_EQ(GetSz(HKEY_CLASSES_ROOT, "OCX_FileType\\shell\\Register/Unregister\\command", ""), "C:\\x.exe %1");
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "OCX_FileType\\shell\\print\\command"));
    form.Unload();
    EXPECT_EQ(boxes.Unexpected(), 0u);
  }
  DeleteTree(HKEY_CLASSES_ROOT, "OCX_FileType");
}

TEST(MainWindowLoad, UnloadRemovesTheHookAndTheWindow) {
  SuppressAssociatePrompt();
  frmMain form;
  form.Show();
  HWND hwnd = form.hWnd();
  EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&modMultipleInstance::WindowProc));
  form.Unload();
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_FALSE(form.Loaded());
  EXPECT_EQ(FindWindowA(nullptr, "Vesk Game/Head Installer"), nullptr);
}
