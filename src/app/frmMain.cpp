// The main window: design, load and unload, the refresh timer and the public operations.
#include "app/frmMain.h"

#include <optional>

#include <windowsx.h>

#include "app/AnsiText.h"
#include "app/Controls.h"
#include "app/MsgBox.h"
#include "app/PathRules.h"
#include "app/PictureBox.h"
#include "app/modInstaller.h"
#include "app/modMultipleInstance.h"
#include "fileinfo/PanelTexts.h"
#include "platform/RegistryKey.h"
#include "registration/EntryWorker.h"
#include "res/resource.h"
#include "shell/frmAssociate.h"
#include "shell/frmOptions.h"
#include "shell/modInstaller.h"

namespace {

constexpr char kClassName[] = "VeskMainWindow";
constexpr int kClientWidthTwips = 6405;
constexpr int kClientHeightTwips = 5355;
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);

frmMain* g_current = nullptr;

int Px(int twips) { return twips / kTwipsPerPixel; }

RECT PixelRect(const ControlPlace& p) {
  return RECT{Px(p.left), Px(p.top), Px(p.left + p.width), Px(p.top + p.height)};
}

// Pictures shown by the picture controls: the holders' pictures and the version label.
struct PictureSource {
  int id;
  int resource;
};
constexpr PictureSource kPictureSources[] = {
    {IDC_imgVersion, IDB_VERSION}, {IDC_imgSelSel, IDB_OPEN_SEL}, {IDC_imgSel, IDB_OPEN},
    {IDC_imgUnRegSel, IDB_UNREG_SEL}, {IDC_imgRegSel, IDB_REG_SEL}, {IDC_imgReg, IDB_REG},
    {IDC_imgUnReg, IDB_UNREG},
};

// The three old verb keys of the .ocx file type that start-up removes.
constexpr const wchar_t* kStaleVerbKeys[] = {
    L"OCX_Filetype\\shell\\command",
    L"OCX_Filetype\\shell\\open\\command",
    L"OCX_Filetype\\shell\\open",
};

// Missing keys, keys that still have sub-keys and refused deletes are left without a word.
void RemoveStaleVerbKeys() {
  for (const wchar_t* path : kStaleVerbKeys) (void)DeleteRegistryKey(HKEY_CLASSES_ROOT, path);
}

// Height of a line of text in a font, in pixels.
int MeasureLineHeight(HFONT font) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return tm.tmHeight;
}

// The panel's text runs almost to its edges: the design's longest lines just fit.
void SetPanelMargins(HWND panel) {
  SendMessageW(panel, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(1, 1));
}

// A Games list entry: green on black, the selected one black on green, with a little room at the left.
void DrawListItem(const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1)) return;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  HBRUSH fill = CreateSolidBrush(selected ? kGreen : RGB(0, 0, 0));
  FillRect(item.hDC, &item.rcItem, fill);
  DeleteObject(fill);
  const LRESULT n = SendMessageW(item.hwndItem, LB_GETTEXTLEN, item.itemID, 0);
  if (n == LB_ERR) return;
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  text.resize(static_cast<size_t>(SendMessageW(item.hwndItem, LB_GETTEXT, item.itemID,
                                               reinterpret_cast<LPARAM>(text.data()))));
  RECT r = item.rcItem;
  r.left += 4;
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, selected ? RGB(0, 0, 0) : kGreen);
  DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &r,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

// Keys, mouse buttons and moves, on the client area or the frame.
bool IsUserInput(UINT msg) {
  return (msg >= WM_KEYFIRST && msg <= WM_KEYLAST) || (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) ||
         (msg >= WM_NCMOUSEMOVE && msg <= WM_NCXBUTTONDBLCLK) || msg == WM_NCMOUSEHOVER || msg == WM_NCMOUSELEAVE ||
         msg == WM_MOUSEHOVER || msg == WM_MOUSELEAVE;
}

std::wstring WindowText(HWND hwnd) {
  const int n = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), n + 1)));
  return text;
}

}  // namespace

frmMain::frmMain() { g_current = this; }

frmMain::~frmMain() {
  if (hwnd_) Unload();
  if (g_current == this) g_current = nullptr;
  if (blackBrush_) DeleteObject(blackBrush_);
  if (font_) DeleteObject(font_);
}

frmMain* frmMain::Current() { return g_current; }

PictureBox& frmMain::Picture(int controlId) const { return *pictures_[controlId - kFirstPicture]; }

// ---------------------------------------------------------------- creation, load and unload

void frmMain::Show() {
  if (hwnd_) {
    ShowWindow(hwnd_, SW_SHOW);
    return;
  }
  HINSTANCE instance = GetModuleHandleA(nullptr);
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &frmMain::StaticWndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    wc.hIconSm = wc.hIcon;  // drawn small where needed, instead of a second copy made at start-up
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    RegisterClassExA(&wc);
    registered = true;
  }
  const DWORD style = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT frame{0, 0, Px(kClientWidthTwips), Px(kClientHeightTwips)};
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_CONTROLPARENT);
  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  const int x = work.left + (work.right - work.left - width) / 2;
  const int y = work.top + (work.bottom - work.top - height) / 2;
  CreateWindowExA(WS_EX_CONTROLPARENT, kClassName, kCaption, style, x, y, width, height, nullptr, nullptr, instance,
                  this);
  CreateControls();
  Form_Load();
  if (hwnd_) ShowWindow(hwnd_, SW_SHOW);
  ready_ = true;
  RunDeferred();
}

void frmMain::CreateControls() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  skin_ = LoadPicture(IDB_SKIN);
  blackBrush_ = CreateSolidBrush(RGB(0, 0, 0));
  font_ = CreateFontA(-10, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, "Tahoma");
  lineHeight_ = MeasureLineHeight(font_);

  SetTimer(hwnd_, kTimer1, 500, nullptr);  // Timer1: enabled when the window is created
  timer1Enabled_ = true;

  for (const ControlPlace& p : kPlaces) {
    const RECT r = PixelRect(p);
    HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(p.id));
    HWND child = nullptr;
    switch (p.id) {
      case IDC_lstGames:
        child = lstGames_ = CreateWindowExW(0, L"LISTBOX", L"",
                                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY |
                                                LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS,
                                            r.left, r.top, r.right - r.left, r.bottom - r.top, hwnd_, id, instance,
                                            nullptr);
        break;
      case IDC_txtOCXFile:
        child = txtOCXFile_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                                              r.left, r.top, r.right - r.left, r.bottom - r.top, hwnd_, id,
                                              instance, nullptr);
        break;
      case IDC_txtMain:
        // Its text comes once the font and margins are set, so the lines are laid out only once.
        child = txtMain_ = CreateWindowExW(0, L"EDIT", L"",
                                           WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY |
                                               ES_LEFT,
                                           r.left, r.top, r.right - r.left, r.bottom - r.top, hwnd_, id, instance,
                                           nullptr);
        break;
      default:
        pictures_[p.id - kFirstPicture] = std::make_unique<PictureBox>(hwnd_, p.id, r, !IsPictureHolder(p.id));
        break;
    }
    if (child) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    if (child && child != txtMain_) {
      SetWindowLongPtrW(child, GWLP_USERDATA,
                        SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&frmMain::ChildProc)));
    }
  }
  SendMessageW(txtMain_, EM_SETLIMITTEXT, 0, 0);
  SetPanelMargins(txtMain_);
  SetWindowTextW(txtMain_, InitialPanelText().c_str());
  SendMessageW(txtOCXFile_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(3, 3));
  // The head file box centres its one line vertically (see WM_NCCALCSIZE below).
  SetWindowPos(txtOCXFile_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  // Both accept dropped files (what DragAcceptFiles does, without loading the shell at start-up),
  // also from Explorer when this program runs elevated; the window takes hand-offs from a second
  // start that is not.
  constexpr UINT kCopyGlobalData = 0x0049;  // how a dropped file list crosses into the process
  for (HWND target : {txtOCXFile_, lstGames_}) {
    SetWindowLongPtrW(target, GWL_EXSTYLE, GetWindowLongPtrW(target, GWL_EXSTYLE) | WS_EX_ACCEPTFILES);
    for (UINT message : {static_cast<UINT>(WM_DROPFILES), kCopyGlobalData})
      ChangeWindowMessageFilterEx(target, message, MSGFLT_ALLOW, nullptr);
  }
  ChangeWindowMessageFilterEx(hwnd_, WM_COPYDATA, MSGFLT_ALLOW, nullptr);

  for (const PictureSource& s : kPictureSources) Picture(s.id).SetPictureResource(s.resource);
  Picture(IDC_Image1).SetPicture(Picture(IDC_imgSel).Picture());
  Picture(IDC_Image2).SetPicture(Picture(IDC_imgReg).Picture());
  Picture(IDC_Image3).SetPicture(Picture(IDC_imgUnReg).Picture());

  Picture(IDC_Image1).onClick = [this] { Image1_Click(); };
  Picture(IDC_Image2).onClick = [this] { Image2_Click(); };
  Picture(IDC_Image3).onClick = [this] { Image3_Click(); };
  Picture(IDC_Image5).onClick = [this] { Image5_Click(); };
  Picture(IDC_imgClose).onClick = [this] { imgClose_Click(); };
  Picture(IDC_imgMini).onClick = [this] { imgMini_Click(); };
  Picture(IDC_Image1).onMouseMove = [this](int, int, int, int) { Image1_MouseMove(); };
  Picture(IDC_Image2).onMouseMove = [this](int, int, int, int) { Image2_MouseMove(); };
  Picture(IDC_Image3).onMouseMove = [this](int, int, int, int) { Image3_MouseMove(); };
  Picture(IDC_imgVersion).onMouseDown = [this](int button, int shift, int x, int y) {
    const RECT& place = Picture(IDC_imgVersion).Place();
    imgVersion_MouseDown(button, shift, place.left + x, place.top + y);
  };
}

void frmMain::Form_Load() {
  RemoveStaleVerbKeys();
  modMultipleInstance::Hook();
  reg.Appname(kSettingsApp);
  reg.Section(kSettingsSection);
  std::wstring exePath = modInstaller::AppPath() + modInstaller::ExeName() + L".exe";
  if (!modInstaller::IsOcxAssociated(exePath)) {
    reg.Key(kAssociateMsg);
    reg.RegGet();
    if (reg.Setting() != L"1") frmAssociate::ShowModal();
  }
  LoadGames();
}

void frmMain::Form_Unload() {
  modMultipleInstance::Unhook(hwnd_);
  frmOptions::UnloadIfLoaded();
}

void frmMain::Unload() {
  if (!hwnd_ || unloading_) return;
  unloading_ = true;
  Form_Unload();
  EndLateWorkers();
  HWND hwnd = hwnd_;
  pressed_ = nullptr;
  for (auto& picture : pictures_) picture.reset();
  DestroyWindow(hwnd);
  hwnd_ = txtMain_ = txtOCXFile_ = lstGames_ = nullptr;
  if (skin_) DeleteObject(skin_);
  skin_ = nullptr;
  unloading_ = false;
}

// ---------------------------------------------------------------- public operations

bool frmMain::AddCall(std::wstring& strCallID) {
  try {
    strCallID = modInstaller::GetLongPath(strCallID);
    SetFileBoxText(strCallID);
    if (!hwnd_) return false;
    ShowWindow(hwnd_, SW_SHOW);
    // Already the active window with nothing above it (as right after start-up): nothing to move.
    if (GetForegroundWindow() != hwnd_ || GetWindow(hwnd_, GW_HWNDPREV))
      SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  } catch (...) {
    // Faults end the operation silently; the caller always sees False.
  }
  modMultipleInstance::NotifyAddCall(strCallID);
  return false;
}

void frmMain::ReceiveHandOff(const std::wstring& path) {
  if (!ready_ || waiting_) {
    pendingHandOffs_.push_back(path);
    return;
  }
  std::wstring callId = path;
  AddCall(callId);
}

void frmMain::RunDeferred() {
  if (waiting_ || !hwnd_) return;
  const std::vector<std::wstring> paths = std::move(pendingHandOffs_);
  pendingHandOffs_.clear();
  if (closeRequested_) {
    closeRequested_ = false;
    Unload();
    return;
  }
  for (std::wstring path : paths) AddCall(path);
}

bool frmMain::WaitAnswering(const std::vector<HANDLE>& objects, DWORD limitMs) {
  waiting_ = true;
  const ULONGLONG deadline = GetTickCount64() + limitMs;
  bool signalled = false;
  std::optional<WPARAM> quit;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    const DWORD left = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
    const auto count = static_cast<DWORD>(objects.size());
    const DWORD woke = MsgWaitForMultipleObjectsEx(count, objects.data(), left, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke < WAIT_OBJECT_0 + count) {
      signalled = true;
      break;
    }
    if (woke != WAIT_OBJECT_0 + count) break;  // the time is up, or the wait failed
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = msg.wParam;
        continue;
      }
      if (IsUserInput(msg.message)) continue;
      if (msg.message == WM_DROPFILES) {
        DragFinish(reinterpret_cast<HDROP>(msg.wParam));
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  waiting_ = false;
  if (quit) PostQuitMessage(static_cast<int>(*quit));
  if (hwnd_ && (closeRequested_ || !pendingHandOffs_.empty())) PostMessageA(hwnd_, kRunDeferredMessage, 0, 0);
  return signalled;
}

void frmMain::ErrMsgProc(const std::wstring& mMsg, const RunTimeError& err) {
  MsgBox(mMsg + L"\r\n" + std::to_wstring(err.Number) + L"     " + err.Description, MB_OK);
}

// ---------------------------------------------------------------- timer

void frmMain::EnableTimer1() {
  if (timer1Enabled_ || !hwnd_) return;
  timer1Enabled_ = true;
  SetTimer(hwnd_, kTimer1, 500, nullptr);
}

void frmMain::Timer1_Timer() {
  // Switched off first, so that a box shown while the list reloads cannot start a second reload.
  KillTimer(hwnd_, kTimer1);
  timer1Enabled_ = false;
  LoadGames();
}

void frmMain::SetBusyPointer(bool busy) {
  busyPointer_ = busy;
  SetCursor(LoadCursor(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

// ---------------------------------------------------------------- panel, head file box and list

std::wstring frmMain::PanelText() const { return WindowText(txtMain_); }

void frmMain::SetPanelText(const std::wstring& text) { SetWindowTextW(txtMain_, text.c_str()); }

void frmMain::AppendStatus(const std::wstring& line) { SetPanelText(PanelText() + line + L"\r\n"); }

void frmMain::SetPanelCentred(bool centred) {
  if (centred == panelCentred_) return;
  panelCentred_ = centred;
  // A multi-line edit takes a new alignment style only when it is created: make it anew in place.
  RECT r;
  GetWindowRect(txtMain_, &r);
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
  const std::wstring text = PanelText();
  DWORD style = static_cast<DWORD>(GetWindowLongPtrW(txtMain_, GWL_STYLE));
  style = (style & ~static_cast<DWORD>(ES_CENTER | ES_RIGHT)) | (centred ? ES_CENTER : ES_LEFT);
  HWND old = txtMain_;
  txtMain_ = CreateWindowExW(0, L"EDIT", text.c_str(), style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                             hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_txtMain)),
                             GetModuleHandleA(nullptr), nullptr);
  SendMessageW(txtMain_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  SendMessageW(txtMain_, EM_SETLIMITTEXT, 0, 0);
  SetPanelMargins(txtMain_);
  SetWindowPos(txtMain_, old, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  DestroyWindow(old);
}

std::wstring frmMain::FileBoxText() const { return WindowText(txtOCXFile_); }

void frmMain::SetFileBoxText(const std::wstring& text) {
  const std::wstring shown = text.substr(0, text.find(L'\0'));
  if (!txtOCXFile_ || shown == FileBoxText()) return;
  settingFileBox_ = true;
  SetWindowTextW(txtOCXFile_, shown.c_str());
  settingFileBox_ = false;
  OnFileBoxChanged();
}

void frmMain::OnFileBoxChanged() {
  txtOCXFile_Change();
  // A head named: have a worker ready for the command that is likely to follow.
  if (hwnd_ && modInstaller::FileProbe(FileBoxText())) spareWorker_.Prepare();
}

std::wstring frmMain::ListText() const {
  const LRESULT index = SendMessageW(lstGames_, LB_GETCURSEL, 0, 0);
  return index == LB_ERR ? std::wstring() : ListItem(static_cast<int>(index));
}

void frmMain::ListClear() { SendMessageW(lstGames_, LB_RESETCONTENT, 0, 0); }

void frmMain::ListAdd(const std::wstring& name) {
  SendMessageW(lstGames_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

int frmMain::ListCount() const { return static_cast<int>(SendMessageW(lstGames_, LB_GETCOUNT, 0, 0)); }

std::wstring frmMain::ListItem(int index) const {
  const LRESULT n = SendMessageW(lstGames_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (n == LB_ERR) return {};
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  const LRESULT got = SendMessageW(lstGames_, LB_GETTEXT, static_cast<WPARAM>(index),
                                   reinterpret_cast<LPARAM>(text.data()));
  text.resize(got == LB_ERR ? 0 : static_cast<size_t>(got));
  return text;
}

// ---------------------------------------------------------------- message routing

LRESULT CALLBACK frmMain::StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<frmMain*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<frmMain*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self || self->hwnd_ != hwnd) return DefWindowProcA(hwnd, msg, wParam, lParam);
  return self->OnMessage(msg, wParam, lParam);
}

LRESULT frmMain::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_TIMER:
      if (wParam == kTimer1) Timer1_Timer();
      if (wParam == kLateWorkerTimer) LateWorkerTimer_Timer();
      return 0;
    case kRunDeferredMessage:
      RunDeferred();
      return 0;
    case WM_COPYDATA:
      // Before the hand-off procedure is in place (or after it is gone), the path is kept all the same.
      if (const auto path = modMultipleInstance::HandOffPath(lParam)) ReceiveHandOff(*path);
      return 0;
    case WM_COMMAND: {
      const int id = LOWORD(wParam), code = HIWORD(wParam);
      if (id == IDC_txtOCXFile && code == EN_CHANGE && !settingFileBox_) {
        // A path typed or pasted in quotes is taken without them, as on the command line.
        if (const auto unquoted = WithoutEnclosingQuotes(FileBoxText()))
          SetFileBoxText(*unquoted);
        else
          OnFileBoxChanged();
      }
      if (id == IDC_lstGames && code == LBN_SELCHANGE) lstGames_Click();
      return 0;
    }
    case WM_MEASUREITEM:
      if (wParam != IDC_lstGames) break;
      reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = static_cast<UINT>(lineHeight_ + 1);
      return TRUE;
    case WM_DRAWITEM:
      if (wParam != IDC_lstGames) break;
      DrawListItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
      return OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE:
      OnMouse(msg, wParam, lParam);
      return 0;
    case WM_CAPTURECHANGED:
      pressed_ = nullptr;
      break;
    case WM_SETCURSOR:
      if (busyPointer_) {
        SetCursor(LoadCursor(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_CLOSE:
      if (waiting_)
        closeRequested_ = true;
      else
        Unload();
      return 0;
    case WM_ACTIVATE:
      // Typing goes to the head file box whenever the window becomes active again.
      if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam) && txtOCXFile_) {
        SetFocus(txtOCXFile_);
        return 0;
      }
      break;
    case WM_NCDESTROY: {
      HWND hwnd = hwnd_;
      hwnd_ = nullptr;
      return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    default:
      break;
  }
  return DefWindowProcA(hwnd_, msg, wParam, lParam);
}

LRESULT frmMain::OnChildMessage(HWND child, UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
  handled = false;
  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  if (msg == WM_DROPFILES) {
    handled = true;
    HDROP drop = reinterpret_cast<HDROP>(wParam);
    if (waiting_) {
      DragFinish(drop);
      return 0;
    }
    if (child == txtOCXFile_) txtOCXFile_DropFiles(drop);
    if (child == lstGames_) lstGames_DropFiles(drop);
    DragFinish(drop);
    return 0;
  }
  if (child == txtOCXFile_ && msg == WM_MOUSEMOVE) txtOCXFile_MouseMove();
  if (child == txtOCXFile_ && msg == WM_NCCALCSIZE) {
    // Room above and below the line, so the text sits in the middle of the box.
    RECT* client = reinterpret_cast<RECT*>(lParam);
    const int spare = (client->bottom - client->top) - lineHeight_;
    if (spare > 1) {
      client->top += spare / 2;
      client->bottom -= spare - spare / 2;
    }
  }
  if (child == txtOCXFile_ && msg == WM_NCPAINT) {
    RECT outer, inner;
    GetWindowRect(child, &outer);
    GetClientRect(child, &inner);
    MapWindowPoints(child, nullptr, reinterpret_cast<POINT*>(&inner), 2);
    OffsetRect(&inner, -outer.left, -outer.top);
    OffsetRect(&outer, -outer.left, -outer.top);
    HDC dc = GetWindowDC(child);
    ExcludeClipRect(dc, inner.left, inner.top, inner.right, inner.bottom);
    FillRect(dc, &outer, blackBrush_);
    ReleaseDC(child, dc);
  }
  if (child == lstGames_ && (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN))
    lstGames_MouseDown(MouseButtonOf(msg, wParam), ShiftStateOf(wParam), x, y);
  return 0;
}

LRESULT CALLBACK frmMain::ChildProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const auto own = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NCDESTROY) SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(own));
  const HWND parent = GetParent(hwnd);
  auto* self = reinterpret_cast<frmMain*>(GetWindowLongPtrA(parent, GWLP_USERDATA));
  if (!self || self->hwnd_ != parent) return CallWindowProcW(own, hwnd, msg, wParam, lParam);
  // Let the list box take its own selection first, so a right press finds the state it left.
  LRESULT result = 0;
  bool handled = false;
  if (msg == WM_DROPFILES) {
    result = self->OnChildMessage(hwnd, msg, wParam, lParam, handled);
  } else {
    result = CallWindowProcW(own, hwnd, msg, wParam, lParam);
    self->OnChildMessage(hwnd, msg, wParam, lParam, handled);
  }
  return result;
}

LRESULT frmMain::OnCtlColor(HDC dc, HWND control) {
  SetBkColor(dc, RGB(0, 0, 0));
  SetTextColor(dc, control == txtOCXFile_ ? kYellow : kGreen);
  return reinterpret_cast<LRESULT>(blackBrush_);
}

PictureBox* frmMain::PictureAt(POINT pt) const {
  for (const auto& picture : pictures_)
    if (picture && picture->Covers(pt)) return picture.get();
  return nullptr;
}

void frmMain::OnMouse(UINT msg, WPARAM wParam, LPARAM lParam) {
  const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  const int button = MouseButtonOf(msg, wParam), shift = ShiftStateOf(wParam);
  PictureBox* picture = PictureAt(pt);
  if (msg == WM_LBUTTONUP) {
    // A click is a left press and release on the same picture.
    PictureBox* pressed = pressed_;
    pressed_ = nullptr;
    if (GetCapture() == hwnd_) ReleaseCapture();
    if (pressed && pressed == picture && pressed->onClick) {
      const std::function<void()> click = pressed->onClick;  // a click may unload the window
      click();
    }
    return;
  }
  if (!picture) {
    if (msg == WM_MOUSEMOVE)
      Form_MouseMove(button, shift, pt.x, pt.y);
    else
      Form_MouseDown(button, shift, pt.x, pt.y);
    return;
  }
  const int x = pt.x - picture->Place().left, y = pt.y - picture->Place().top;
  if (msg == WM_MOUSEMOVE) {
    if (picture->onMouseMove) picture->onMouseMove(button, shift, x, y);
    return;
  }
  if (msg == WM_LBUTTONDOWN) {
    SetCapture(hwnd_);
    pressed_ = picture;
  }
  if (picture->onMouseDown) picture->onMouseDown(button, shift, x, y);
}

void frmMain::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  RECT rc;
  GetClientRect(hwnd_, &rc);
  HDC mem = CreateCompatibleDC(dc);
  if (skin_) {
    HGDIOBJ old = SelectObject(mem, skin_);
    BitBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
  } else {
    FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH)));
  }
  for (const auto& picture : pictures_)
    if (picture) picture->Paint(dc, mem);
  DeleteDC(mem);
  EndPaint(hwnd_, &ps);
}
