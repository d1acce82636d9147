// The main window in this process: its design, load sequence, timer and public operations.
#include <gtest/gtest.h>

#include <array>

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

// A control's place: a child window's, or a visible picture's place on the client area.
RECT PlaceOf(const frmMain& form, int id) {
  if (id >= kFirstPicture) {
    EXPECT_TRUE(form.Picture(id).Visible()) << id;
    return form.Picture(id).Place();
  }
  RECT r{};
  GetWindowRect(GetDlgItem(form.hWnd(), id), &r);
  MapWindowPoints(nullptr, form.hWnd(), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

}  // namespace

using MainWindow = MainWindowTest;

TEST_F(MainWindow, BorderlessWindowWithItsControlsInPlaceColoursTabOrderAndInitialTexts) {
  HWND form = Form().hWnd();
  char caption[64] = {};
  GetWindowTextA(form, caption, sizeof caption);
  EXPECT_STREQ(caption, "Vesk Game/Head Installer");
  EXPECT_EQ(FindWindowA(nullptr, "Vesk Game/Head Installer"), form);
  EXPECT_FALSE(GetWindowLongA(form, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_DLGFRAME));
  RECT client;
  GetClientRect(form, &client);
  EXPECT_EQ(std::make_pair(client.right, client.bottom), std::make_pair(LONG{427}, LONG{357}));
  EXPECT_TRUE(IsWindowVisible(form));

  // Left, top, width, height in twips (15 to a pixel).
  const std::pair<int, std::array<LONG, 4>> places[] = {
      {IDC_lstGames, {3480, 945, 2640, 4170}}, {IDC_txtOCXFile, {240, 4275, 2130, 300}},
      {IDC_txtMain, {240, 1755, 3030, 2295}},  {IDC_imgVersion, {2820, 60, 1050, 165}},
      {IDC_imgClose, {6045, 30, 240, 225}},    {IDC_imgMini, {5700, 30, 240, 225}},
      {IDC_Image5, {255, 480, 3045, 1125}},    {IDC_Image3, {1755, 4785, 1545, 360}},
      {IDC_Image2, {195, 4785, 1545, 360}},    {IDC_Image1, {2505, 4290, 750, 300}}};
  for (const auto& [id, twips] : places) {
    const RECT r = PlaceOf(Form(), id);
    EXPECT_EQ((std::array<LONG, 4>{r.left, r.top, r.right - r.left, r.bottom - r.top}),
              (std::array<LONG, 4>{twips[0] / 15, twips[1] / 15, twips[2] / 15, twips[3] / 15}))
        << id;
  }
  // The picture holders lie below the visible client area.
  for (int id : {IDC_imgSelSel, IDC_imgSel, IDC_imgUnRegSel, IDC_imgRegSel, IDC_imgReg, IDC_imgUnReg}) {
    EXPECT_GT(Form().Picture(id).Place().top, 357) << id;
    EXPECT_FALSE(Form().Picture(id).Visible()) << id;
  }

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
  EXPECT_EQ(GetNextDlgTabItem(form, nullptr, FALSE), Form().txtOCXFile());
  EXPECT_EQ(GetNextDlgTabItem(form, Form().txtOCXFile(), FALSE), Form().lstGames());
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

TEST_F(MainWindow, AddCallAndHandOffMessagesPutTheLongPathIntoTheBox) {
  const std::string dir = TestDir(), path = dir + "Long Head Name.ocx";
  WriteFileBytes(path, "x");
  char shortPath[MAX_PATH] = {};
  GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
  std::wstring call = FromAnsi(shortPath);
  EXPECT_FALSE(Form().AddCall(call));
  EXPECT_EQ(call, FromAnsi(path)) << "the caller's variable receives the long form";
  EXPECT_EQ(Form().FileBoxText(), call);
  std::wstring missing = FromAnsi(dir + "gone.ocx");
  EXPECT_FALSE(Form().AddCall(missing));
  EXPECT_EQ(missing, L"");
  EXPECT_EQ(Form().FileBoxText(), L"");

  // Hand-off messages as another process sends them: the payload's bytes up to the first zero
  // byte or up to cbData; cbData 0 is the empty text.
  HWND form = Form().hWnd();
  const std::string withZero = path + std::string(1, '\0') + "junk";
  const std::pair<DWORD, const wchar_t*> payloads[] = {
      {static_cast<DWORD>(path.size() + 1), call.c_str()}, {0, L""},
      {static_cast<DWORD>(path.size()), call.c_str()},      {0, L""},
      {static_cast<DWORD>(withZero.size()), call.c_str()}, {0, L""}};
  for (const auto& [cbData, expected] : payloads) {
    COPYDATASTRUCT cds{3, cbData, cbData ? const_cast<char*>(withZero.data()) : nullptr};
    SendMessageA(form, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
    EXPECT_EQ(Form().FileBoxText(), expected) << cbData;
  }
  // UTF-16 comes with dwData 4; another program's data (another dwData) is no hand-off.
  std::wstring wide = call;
  COPYDATASTRUCT wideCds{4, static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)), wide.data()};
  SendMessageA(form, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&wideCds));
  EXPECT_EQ(Form().FileBoxText(), call);
  COPYDATASTRUCT foreign{7, 0, nullptr};
  SendMessageA(form, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&foreign));
  EXPECT_EQ(Form().FileBoxText(), call) << "another dwData emptied the box";
  // Other messages still reach the window's own procedure through the hook.
  EXPECT_EQ(GetWindowTextLengthA(form), 24);

  // Another window in front: AddCall brings the form before it and makes it the active window.
  HWND other = CreateWindowExA(0, "STATIC", "in front", WS_POPUP | WS_VISIBLE, 0, 0, 60, 40, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  SetForegroundWindow(other);
  ASSERT_EQ(GetForegroundWindow(), other);
  Form().AddCall(call);
  EXPECT_EQ(GetForegroundWindow(), form);
  bool otherBelow = false;
  for (HWND w = GetWindow(form, GW_HWNDNEXT); w && !otherBelow; w = GetWindow(w, GW_HWNDNEXT)) otherBelow = w == other;
  EXPECT_TRUE(otherBelow) << "the other window is now behind the form";
  DestroyWindow(other);

  ShowWindow(form, SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(form));
  Form().AddCall(call);
  EXPECT_TRUE(IsIconic(form)) << "a minimised window stays minimised";
  EXPECT_EQ(Form().FileBoxText(), call);
}

TEST_F(MainWindow, ErrMsgProcShowsMessageNumberAndDescription) {
  // Boxes are themed (their buttons are common controls), the skinned main window's controls not.
  bool themed = false;
  Boxes().Handle([&](const BoxInfo& box) {
    themed = ThemedControl(GetDlgItem(box.hwnd, IDOK));
    DialogAnswerer::Press(box.hwnd, IDOK);
    return true;
  });
  Form().ErrMsgProc(L"13 - Type mismatch", RunTimeError{13, L"VeskInstaller", L"Type mismatch"});
  EXPECT_TRUE(themed);
  EXPECT_FALSE(ThemedControl(Form().lstGames()));
  EXPECT_FALSE(ThemedControl(Form().txtOCXFile()));
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
  for (int i = 0; i < 3; ++i) Form().EnableTimer1();
  EXPECT_EQ(Form().ListCount(), 0);
  ASSERT_TRUE(PumpUntil([&] { return !Form().Timer1Enabled(); }, 3000));
  EXPECT_EQ(Form().ListCount(), 1);
  // A second reload would show an entry added after the first one.
  SetSz(HKEY_LOCAL_MACHINE, std::string(kGames) + "\\Darts", "", "{00000000-0000-0000-0000-000000000000}");
  PumpFor(1200);
  EXPECT_EQ(Form().ListCount(), 1);
  DeleteTree(HKEY_LOCAL_MACHINE, "Software\\CLASSES\\Software\\Ubique");
}

TEST(MainWindowLoad, RemovesExactlyTheThreeStaleVerbKeysAndUnloadRemovesHookAndWindow) {
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
    HWND hwnd = form.hWnd();
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&modMultipleInstance::WindowProc));
    form.Unload();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(form.Loaded());
    EXPECT_EQ(FindWindowA(nullptr, "Vesk Game/Head Installer"), nullptr);
    EXPECT_EQ(boxes.Unexpected(), 0u);
  }
  DeleteTree(HKEY_CLASSES_ROOT, "OCX_FileType");
}
