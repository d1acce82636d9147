// The main window's controls: the information panel, the head file box and the Games list as the
// features see them, their colours and drawing, and the wait that keeps the window answering.
#include <new>
#include <optional>

#include "window/MainWindow.h"
#include "fileinfo/InfoPanel.h"
#include "games/GamesStore.h"
#include "window/GamesWindow.h"
#include "platform/MessageBox.h"
#include "platform/NumberText.h"
#include "platform/Paths.h"
#include "platform/SystemFunctions.h"

namespace {

// The box shown when the Games list could not be loaded whole.
void ShowLoadError(const RunTimeError& err) {
  ShowBox(L"Error #" + DecimalText(err.Number) + L" with :" + err.Source + L"\r\n" + err.Description, MB_OK);
}

constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);

std::wstring WindowText(HWND hwnd) {
  const int n = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), n + 1)));
  return text;
}

std::wstring ListItem(HWND list, WPARAM index) {
  const LRESULT n = SendMessageW(list, LB_GETTEXTLEN, index, 0);
  if (n == LB_ERR) return {};
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  const LRESULT got = SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(got == LB_ERR ? 0 : static_cast<size_t>(got));
  return text;
}

}  // namespace

// ---------------------------------------------------------------- the information panel

std::wstring MainWindow::PanelText() const { return WindowText(panel_); }

void MainWindow::SetPanelText(const std::wstring& text) {
  ++panelWrites_;
  SetWindowTextW(panel_, text.c_str());
}

void MainWindow::AppendPanelLine(const std::wstring& line) { SetPanelText(PanelText() + line + L"\r\n"); }

void MainWindow::PreparePanel() {
  SendMessageW(panel_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  SendMessageW(panel_, EM_SETLIMITTEXT, 0, 0);
  // The panel's text runs almost to its edges: the longest lines just fit.
  SendMessageW(panel_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(1, 1));
}

void MainWindow::SetPanelCentred(bool centred) {
  if (centred == panelCentred_) return;
  panelCentred_ = centred;
  // A multi-line edit takes a new alignment style only when it is created: make it anew in place.
  RECT r;
  GetWindowRect(panel_, &r);
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
  const std::wstring text = PanelText();
  DWORD style = static_cast<DWORD>(GetWindowLongPtrW(panel_, GWL_STYLE));
  style = (style & ~static_cast<DWORD>(ES_CENTER | ES_RIGHT)) | (centred ? ES_CENTER : ES_LEFT);
  HWND old = panel_;
  panel_ = CreateWindowExW(0, L"EDIT", text.c_str(), style, r.left, r.top, r.right - r.left, r.bottom - r.top, hwnd_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(kInfoPanel)), GetModuleHandleW(nullptr),
                           nullptr);
  PreparePanel();
  SetWindowPos(panel_, old, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  DestroyWindow(old);
}

// ---------------------------------------------------------------- the head file box and the list

std::wstring MainWindow::HeadFileText() const { return WindowText(headFileBox_); }

void MainWindow::SetHeadFileText(const std::wstring& text) {
  const std::wstring shown = text.substr(0, text.find(L'\0'));
  if (!headFileBox_ || shown == HeadFileText()) return;
  settingHeadFile_ = true;
  SetWindowTextW(headFileBox_, shown.c_str());
  settingHeadFile_ = false;
  OnHeadFileChanged(kProbeWaitMs);
}

void MainWindow::OnHeadFileChanged(DWORD waitMs) {
  if (typingPause_) KillTimer(hwnd_, kTypingTimer);
  typingPause_ = false;
  const std::wstring text = HeadFileText();
  if (fileinfo::IsCreditsWord(text)) {
    probe_.Forget();
    fileinfo::ShowCredits(*this);
    return;
  }
  // A network share that does not answer holds up only the probe, and its facts show when they come.
  probe_.Start(hwnd_, kHeadFileFactsMessage, text);
  panelWritesAtProbe_ = panelWrites_;
  if (const auto facts = probe_.Wait(waitMs)) OnHeadFileFacts(*facts);
}

void MainWindow::OnHeadFileFacts(const HeadFileFacts& facts) {
  // Facts that come late count only while the box still holds their text and nothing else (a
  // command's outcome) has been written to the panel since they were asked for.
  if (!hwnd_ || facts.text != HeadFileText() || panelWrites_ != panelWritesAtProbe_) return;
  if (!facts.plainFile) {
    window::OnMissingHead(*this, facts.text);
    return;
  }
  SetPanelCentred(false);
  fileinfo::ShowFileInfo(*this, facts.version);
  // A head named: have a worker ready for the command that is likely to follow.
  registrar_.PrepareWorker();
}

void MainWindow::SettleHeadFileCheck() {
  if (typingPause_) OnHeadFileChanged();
}

std::wstring MainWindow::SelectedGame() const {
  const LRESULT index = SendMessageW(gamesList_, LB_GETCURSEL, 0, 0);
  return index == LB_ERR ? std::wstring() : ListItem(gamesList_, static_cast<WPARAM>(index));
}

// The names go straight to the list box's own procedure: the window's hooks on the box have no
// business with them, and under Wine every message that passes such a hook costs two round trips
// to the window server, several times the cost of the whole rest of the load.
bool MainWindow::FillGamesList(const std::vector<std::wstring>& names) {
  const auto ownProc = reinterpret_cast<WNDPROC>(GetClassLongPtrW(gamesList_, GCLP_WNDPROC));
  size_t chars = 0;
  for (const std::wstring& name : names) chars += name.size() + 1;
  // A hint only: the list box grows as needed when it cannot reserve the room at once.
  CallWindowProcW(ownProc, gamesList_, LB_INITSTORAGE, names.size(), static_cast<LPARAM>(chars * sizeof(wchar_t)));
  for (const std::wstring& name : names) {
    const LRESULT added =
        CallWindowProcW(ownProc, gamesList_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    if (added == LB_ERR || added == LB_ERRSPACE) return false;
  }
  return true;
}

// An entry: green on black, the selected one black on green, with a little room at the left.
void MainWindow::DrawGamesListItem(const DRAWITEMSTRUCT& item) const {
  if (item.itemID == static_cast<UINT>(-1)) return;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  HBRUSH fill = CreateSolidBrush(selected ? kGreen : RGB(0, 0, 0));
  FillRect(item.hDC, &item.rcItem, fill);
  DeleteObject(fill);
  const std::wstring text = ListItem(item.hwndItem, item.itemID);
  RECT r = item.rcItem;
  r.left += 4;
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, selected ? RGB(0, 0, 0) : kGreen);
  DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &r,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

LRESULT MainWindow::OnCtlColor(HDC dc, HWND control) {
  SetBkColor(dc, RGB(0, 0, 0));
  SetTextColor(dc, control == headFileBox_ ? kYellow : kGreen);
  return reinterpret_cast<LRESULT>(blackBrush_);
}

// ---------------------------------------------------------------- the Games list's refresh

void MainWindow::RequestListRefresh() {
  if (refreshPending_ || !hwnd_) return;
  refreshPending_ = true;
  SetTimer(hwnd_, kRefreshTimer, 500, nullptr);
}

void MainWindow::OnRefreshTimer() {
  // Switched off first, so that a box shown while the list reloads cannot start a second reload.
  KillTimer(hwnd_, kRefreshTimer);
  refreshPending_ = false;
  ReloadGamesList();
}

void MainWindow::ReloadGamesList() {
  std::optional<RunTimeError> failure;
  SendMessageW(gamesList_, WM_SETREDRAW, FALSE, 0);  // a list box that redraws on every item is many times slower
  try {
    SendMessageW(gamesList_, LB_RESETCONTENT, 0, 0);
    if (!FillGamesList(games::ReadGameNames())) failure = RunTimeError{7, kErrorSource, L"Out of memory"};
  } catch (const std::bad_alloc&) {
    failure = RunTimeError{7, kErrorSource, L"Out of memory"};
  }
  SendMessageW(gamesList_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(gamesList_, nullptr, TRUE);
  // Shown once the list box draws again; the names appended before the error stay.
  if (failure) ShowLoadError(*failure);
}

// ---------------------------------------------------------------- the child controls' messages

LRESULT CALLBACK MainWindow::ChildProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const auto own = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NCDESTROY) SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(own));
  const HWND parent = GetParent(hwnd);
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(parent, GWLP_USERDATA));
  if (!self || self->hwnd_ != parent) return CallWindowProcW(own, hwnd, msg, wParam, lParam);
  if (msg == WM_DROPFILES) {
    self->OnDropFiles(hwnd, reinterpret_cast<HDROP>(wParam));
    return 0;
  }
  // The list box takes its own selection first, so a right press finds the state it left.
  const LRESULT result = CallWindowProcW(own, hwnd, msg, wParam, lParam);
  self->OnChildMessage(hwnd, msg, lParam);
  return result;
}

void MainWindow::OnChildMessage(HWND child, UINT msg, LPARAM lParam) {
  if (child != headFileBox_ && child != gamesList_) {  // a picture button
    if (msg == WM_MOUSEMOVE) {
      ShowButtonPictures(GetDlgCtrlID(child));
      TRACKMOUSEEVENT leave{sizeof leave, TME_LEAVE, child, 0};
      TrackMouseEvent(&leave);
    }
    if (msg == WM_MOUSELEAVE) OnButtonLeft();
    return;
  }
  if (child == headFileBox_ && msg == WM_MOUSEMOVE) Picture(kBrowseButton).SetPicture(Picture(kBrowsePicture).Picture());
  if (child == headFileBox_ && msg == WM_NCCALCSIZE) {
    // Room above and below the line, so the text sits in the middle of the box.
    RECT* client = reinterpret_cast<RECT*>(lParam);
    const int spare = (client->bottom - client->top) - lineHeight_;
    if (spare > 1) {
      client->top += spare / 2;
      client->bottom -= spare - spare / 2;
    }
  }
  if (child == headFileBox_ && msg == WM_NCPAINT) DrawHeadFileBoxFrame();
  if (child == gamesList_ && msg == WM_RBUTTONDOWN) OnBackgroundPress(MouseButton::Right);
}

// The room around the centred line, black like the box.
void MainWindow::DrawHeadFileBoxFrame() {
  RECT outer, inner;
  GetWindowRect(headFileBox_, &outer);
  GetClientRect(headFileBox_, &inner);
  MapWindowPoints(headFileBox_, nullptr, reinterpret_cast<POINT*>(&inner), 2);
  OffsetRect(&inner, -outer.left, -outer.top);
  OffsetRect(&outer, -outer.left, -outer.top);
  HDC dc = GetWindowDC(headFileBox_);
  ExcludeClipRect(dc, inner.left, inner.top, inner.right, inner.bottom);
  FillRect(dc, &outer, blackBrush_);
  ReleaseDC(headFileBox_, dc);
}

// ---------------------------------------------------------------- waiting

void MainWindow::SetBusyPointer(bool busy) {
  busyPointer_ = busy;
  SetCursor(LoadCursor(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}
