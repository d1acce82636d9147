// The main window: creation, load and unload, message routing and the refresh timer.
#include "window/MainWindow.h"

#include <windowsx.h>

#include "window/Startup.h"
#include "fileinfo/PanelTexts.h"
#include "window/GamesWindow.h"
#include "platform/MessageBox.h"
#include "platform/PathRules.h"
#include "platform/Paths.h"
#include "platform/RegistryKey.h"
#include "platform/SystemFunctions.h"
#include "window/HeadCommands.h"
#include "res/resource.h"
#include "shell/AssociatePrompt.h"
#include "shell/OcxAssociation.h"
#include "shell/OptionsDialog.h"
#include "shell/Settings.h"

namespace {

constexpr int kClientWidthTwips = 6405;
constexpr int kClientHeightTwips = 5355;

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

}  // namespace

HWND MainWindow::CreateChild(HWND parent, const ControlPlace& place, const wchar_t* windowClass, DWORD style,
                             const wchar_t* text) {
  const PixelPlace r = PixelsOf(place);
  return CreateWindowExW(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                         r.bottom - r.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(place.id)),
                         GetModuleHandleW(nullptr), nullptr);
}

MainWindow::MainWindow() = default;

MainWindow::~MainWindow() {
  if (hwnd_) Unload();
  if (blackBrush_) DeleteObject(blackBrush_);
  if (font_) DeleteObject(font_);
}

// ---------------------------------------------------------------- creation, load and unload

void MainWindow::Show(const std::wstring& command, bool successor) {
  if (hwnd_) {
    ShowWindow(hwnd_, SW_SHOW);
    return;
  }
  HINSTANCE instance = GetModuleHandleW(nullptr);
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &MainWindow::WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
    wc.hIconSm = wc.hIcon;  // drawn small where needed, instead of a second copy made at start-up
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kMainWindowClass;
    RegisterClassExW(&wc);
    registered = true;
  }
  const DWORD style = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT frame{0, 0, Px(kClientWidthTwips), Px(kClientHeightTwips)};
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_CONTROLPARENT);
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  const int x = work.left + (work.right - work.left - width) / 2;
  const int y = work.top + (work.bottom - work.top - height) / 2;
  CreateWindowExW(WS_EX_CONTROLPARENT, kMainWindowClass, kCaption, style, x, y, width, height, nullptr, nullptr,
                  instance, this);
  SetProgramWindow(hwnd_);
  SetProgramView(this);
  CreateControls();
  OnLoad(successor);
  if (hwnd_) ShowWindow(hwnd_, SW_SHOW);
  ready_ = true;
  // The command first, then what was handed over meanwhile: the latest path is the one in the box.
  if (!command.empty() || pendingHandOffs_.empty()) ReceiveHeadPath(command);
  RunDeferred();
}

void MainWindow::CreateControls() {
  blackBrush_ = CreateSolidBrush(RGB(0, 0, 0));
  font_ = CreateFontW(-10, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Tahoma");
  lineHeight_ = MeasureLineHeight(font_);

  // Its text comes once the font and margins are set, so the lines are laid out only once.
  panel_ = CreateChild(hwnd_, kPlaces[0], L"EDIT", ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | ES_LEFT);
  headFileBox_ = CreateChild(hwnd_, kPlaces[1], L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL);
  gamesList_ = CreateChild(hwnd_, kPlaces[2], L"LISTBOX",
                           WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWFIXED |
                               LBS_HASSTRINGS);
  for (HWND child : {headFileBox_, gamesList_}) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  for (HWND child : {headFileBox_, gamesList_}) {
    SetWindowLongPtrW(child, GWLP_USERDATA,
                      SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MainWindow::ChildProc)));
  }
  PreparePanel();
  SetWindowTextW(panel_, InitialPanelText().c_str());
  SendMessageW(headFileBox_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(3, 3));
  // The head file box centres its one line vertically (see WM_NCCALCSIZE).
  SetWindowPos(headFileBox_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  // Both accept dropped files (what DragAcceptFiles does, without loading the shell at start-up),
  // also from Explorer when this program runs elevated; the window takes hand-offs from a second
  // start that is not.
  constexpr UINT kCopyGlobalData = 0x0049;  // how a dropped file list crosses into the process
  for (HWND target : {headFileBox_, gamesList_}) {
    SetWindowLongPtrW(target, GWL_EXSTYLE, GetWindowLongPtrW(target, GWL_EXSTYLE) | WS_EX_ACCEPTFILES);
    for (UINT message : {static_cast<UINT>(WM_DROPFILES), kCopyGlobalData})
      ChangeWindowMessageFilterEx(target, message, MSGFLT_ALLOW, nullptr);
  }
  ChangeWindowMessageFilterEx(hwnd_, WM_COPYDATA, MSGFLT_ALLOW, nullptr);
  CreatePictures();
  // Focus rectangles show once the keyboard is used, as in a dialog (unless the user chose otherwise).
  SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, 0), 0);
}

void MainWindow::OnLoad(bool successor) {
  RemoveStaleVerbKeys();
  std::wstring exePath = platform::ProgramPath();
  if (!successor && !shell::IsOcxAssociated(exePath) && !shell::AssociationQuestionSilenced())
    shell::ShowModal();
  ReloadGamesList();
}

void MainWindow::Unload() {
  if (!hwnd_ || unloading_) return;
  unloading_ = true;
  shell::CloseIfShown();
  registrar_.EndWorkers();
  HWND hwnd = hwnd_;
  pressed_ = nullptr;
  for (auto& picture : pictures_) picture.reset();
  DestroyWindow(hwnd);
  hwnd_ = panel_ = headFileBox_ = gamesList_ = nullptr;
  SetProgramWindow(nullptr);
  SetProgramView(nullptr);
  if (skin_) DeleteObject(skin_);
  skin_ = nullptr;
  unloading_ = false;
}

// ---------------------------------------------------------------- message routing

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self || self->hwnd_ != hwnd) return DefWindowProcW(hwnd, msg, wParam, lParam);
  return self->OnMessage(msg, wParam, lParam);
}

LRESULT MainWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_TIMER:
      if (wParam == kRefreshTimer) OnRefreshTimer();
      if (wParam == window::kLateWorkerTimer) registrar_.OnLateWorkerTimer();
      if (wParam == kTypingTimer && !waiting_) OnHeadFileChanged();  // while a head runs, it ticks again
      return 0;
    case kHeadFileFactsMessage:
      if (const auto facts = probe_.Take(wParam)) OnHeadFileFacts(*facts);
      return 0;
    case kRunDeferredMessage:
      RunDeferred();
      return 0;
    case WM_ENABLE:
      // A modal box or dialog has closed: what was handed over meanwhile is taken now.
      if (wParam && !pendingHandOffs_.empty()) PostMessageW(hwnd_, kRunDeferredMessage, 0, 0);
      return 0;
    case kGiveWayMessage:
      Unload();
      return 0;
    case WM_COPYDATA:
      OnCopyData(lParam);
      return 0;  // another program's data is not ours to take
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_MEASUREITEM:
      if (wParam != kGamesList) break;
      reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = static_cast<UINT>(lineHeight_ + 1);
      return TRUE;
    case WM_DRAWITEM:
      if (wParam == kGamesList)
        DrawGamesListItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      else if (IsButton(static_cast<int>(wParam)))
        DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      else
        break;
      return TRUE;
    case WM_CONTEXTMENU:
      // The context-menu key or Shift+F10 on the Games list, a button or the window (the head file
      // box shows its own menu); a right press has shown the menu already.
      if (GET_X_LPARAM(lParam) != -1 || GET_Y_LPARAM(lParam) != -1) break;
      OnContextMenuKey(reinterpret_cast<HWND>(wParam));
      return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
      return OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE:
      OnMouse(msg, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_CAPTURECHANGED:
      pressed_ = nullptr;
      break;
    case WM_SETCURSOR:
      if (!busyPointer_) break;
      SetCursor(LoadCursor(nullptr, IDC_WAIT));
      return TRUE;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_ACTIVATE:
      // The focus comes back where it was when the window went inactive (a message box, another
      // program), at first to the head file box.
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
        break;
      }
      if (HIWORD(wParam) || !headFileBox_) break;
      SetFocus(lastFocus_ && IsWindow(lastFocus_) && IsChild(hwnd_, lastFocus_) ? lastFocus_ : headFileBox_);
      return 0;
    case WM_NCDESTROY: {
      HWND hwnd = hwnd_;
      hwnd_ = nullptr;
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

void MainWindow::OnCommand(int id, int code) {
  if (id == kHeadFileBox && code == EN_CHANGE && !settingHeadFile_) {
    // A path typed or pasted in quotes is taken without them, as on the command line. Otherwise the
    // text is checked once the typing pauses, and what is still being found out about an earlier
    // text no longer counts.
    if (const auto unquoted = WithoutEnclosingQuotes(HeadFileText())) {
      SetHeadFileText(*unquoted);
    } else {
      probe_.Forget();
      typingPause_ = true;
      SetTimer(hwnd_, kTypingTimer, kTypingPauseMs, nullptr);
    }
  }
  if (code == BN_CLICKED && (id == IDOK || IsButton(id))) OnButton(id);
  if (id == kGamesList && code == LBN_SELCHANGE) window::OnSelection(*this);
}

void MainWindow::OnDropFiles(HWND child, HDROP drop) {
  if (!waiting_) SettleHeadFileCheck();
  if (!waiting_ && child == headFileBox_) window::TakeDroppedHead(*this, drop);
  if (!waiting_ && child == gamesList_) window::OfferDroppedHead(*this, registrar_, drop);
  platform::DragFinish(drop);
}
