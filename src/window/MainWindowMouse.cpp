// The main window's pictures and the mouse: the picture buttons and their hover pictures, moving
// the window by its background, the Settings menu (right click or context-menu key), the close and
// minimise marks, the homepage logo, and painting the skin.
#include <algorithm>
#include <iterator>

#include <windowsx.h>

#include "window/MainWindow.h"
#include "fileinfo/PanelTexts.h"
#include "platform/MessageBox.h"
#include "platform/SystemFunctions.h"
#include "window/HeadCommands.h"
#include "res/resource.h"
#include "window/GamesWindow.h"

namespace {

// Pictures shown by the picture controls: the holders' pictures and the version label.
struct PictureSource {
  int id;
  int resource;
};
constexpr PictureSource kPictureSources[] = {
    {kVersionLabel, IDB_VERSION},         {kBrowseHoverPicture, IDB_OPEN_SEL}, {kBrowsePicture, IDB_OPEN},
    {kUnregisterHoverPicture, IDB_UNREG_SEL}, {kRegisterHoverPicture, IDB_REG_SEL}, {kRegisterPicture, IDB_REG},
    {kUnregisterPicture, IDB_UNREG},
};

// The buttons with their names (what a screen reader says); only the three picture buttons are tab
// stops, in this order after the head file box.
struct ButtonName {
  int id;
  const wchar_t* name;
  bool tabStop;
};
constexpr ButtonName kButtonNames[] = {
    {kBrowseButton, L"Open", true},        {kRegisterButton, L"Register", true}, {kUnregisterButton, L"Unregister", true},
    {kMinimiseMark, L"Minimize", false}, {kCloseMark, L"Close", false},
};

// The hover picture of a picture button; 0 for the marks.
int HoverPictureOf(int button) {
  switch (button) {
    case kBrowseButton: return kBrowseHoverPicture;
    case kRegisterButton: return kRegisterHoverPicture;
    case kUnregisterButton: return kUnregisterHoverPicture;
    default: return 0;
  }
}

// ShellExecuteW reports success with a value greater than this.
constexpr INT_PTR kShellExecuteFailed = 32;

}  // namespace

void MainWindow::CreatePictures() {
  skin_ = LoadPicture(IDB_SKIN);
  for (const ControlPlace& p : kPlaces) {
    if (p.id < kFirstPicture) continue;
    const PixelPlace r = PixelsOf(p);
    pictures_[p.id - kFirstPicture] =
        std::make_unique<PictureBox>(hwnd_, p.id, RECT{r.left, r.top, r.right, r.bottom}, !IsPictureHolder(p.id));
  }
  for (const PictureSource& s : kPictureSources) Picture(s.id).SetPictureResource(s.resource);
  CreateButtons();
  ShowButtonPictures(0);

  Picture(kLogo).onClick = [this] { OnLogoClick(); };
  // The version label is part of the title strip: a press on it is a press on the background.
  Picture(kVersionLabel).onPress = [this](MouseButton button) { OnBackgroundPress(button); };
}

void MainWindow::CreateButtons() {
  HWND after = headFileBox_;
  for (const ButtonName& b : kButtonNames) {
    const ControlPlace& place = *std::find_if(std::begin(kPlaces), std::end(kPlaces), [&](auto& p) { return p.id == b.id; });
    const HWND button = CreateChild(hwnd_, place, L"BUTTON", BS_OWNERDRAW | (b.tabStop ? WS_TABSTOP : 0), b.name);
    Picture(b.id).AttachWindow(button);
    if (!b.tabStop) continue;
    // The window sees the pointer move over a picture button and leave it (ChildProc).
    SetWindowLongPtrW(button, GWLP_USERDATA,
                      SetWindowLongPtrW(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MainWindow::ChildProc)));
    SetWindowPos(button, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = button;
  }
}

void MainWindow::OnButton(int id) {
  switch (id) {
    case IDOK:  // Enter: the button that has the focus, or the head file box's text checked now
      if (const HWND focus = GetFocus(); focus && GetParent(focus) == hwnd_ && HoverPictureOf(GetDlgCtrlID(focus)))
        OnButton(GetDlgCtrlID(focus));
      else if (focus == headFileBox_)
        SettleHeadFileCheck();
      break;
    case kBrowseButton:
      SettleHeadFileCheck();
      window::BrowseForHead(*this);
      break;
    case kRegisterButton:
    case kUnregisterButton:
      SettleHeadFileCheck();
      (id == kRegisterButton ? window::RegisterHead : window::UnregisterHead)(*this, registrar_);
      // With the box empty the command asked for a head file: the focus goes where it is typed, not
      // back to the button clicked.
      if (HeadFileText().empty()) {
        lastFocus_ = headFileBox_;
        if (GetActiveWindow() == hwnd_) SetFocus(headFileBox_);
      }
      break;
    case kCloseMark:
      PostMessageW(hwnd_, WM_CLOSE, 0, 0);  // after the button's own handling of the click
      break;
    case kMinimiseMark:
      ShowWindow(hwnd_, SW_MINIMIZE);
      break;
    default:
      break;
  }
}

// The picture shown (the hover picture while pressed), or the skin below for the marks, and the
// focus rectangle while the focus is on it and keyboard cues show.
void MainWindow::DrawButton(const DRAWITEMSTRUCT& item) const {
  const PictureBox& box = Picture(static_cast<int>(item.CtlID));
  const int hover = HoverPictureOf(box.Id());
  const HBITMAP picture = hover && (item.itemState & ODS_SELECTED) ? Picture(hover).Picture() : box.Picture();
  const RECT& place = box.Place();
  HDC mem = CreateCompatibleDC(item.hDC);
  if (HBITMAP shown = picture ? picture : skin_) {
    HGDIOBJ old = SelectObject(mem, shown);
    BitBlt(item.hDC, 0, 0, place.right - place.left, place.bottom - place.top, mem, picture ? 0 : place.left,
           picture ? 0 : place.top, SRCCOPY);
    SelectObject(mem, old);
  }
  DeleteDC(mem);
  if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
    RECT focus = item.rcItem;
    InflateRect(&focus, -2, -2);
    DrawFocusRect(item.hDC, &focus);
  }
}

void MainWindow::OnButtonLeft() {
  POINT at;
  GetCursorPos(&at);
  const HWND under = WindowFromPoint(at);
  if (under != hwnd_ && !IsChild(hwnd_, under)) ShowButtonPictures(0);
}

// Each picture button shows its hover picture while the pointer is on it (0: on none). Moving from
// Register to Unregister and back swaps both; the browse button keeps its hover picture until the
// pointer reaches the background or the head file box.
void MainWindow::ShowButtonPictures(int hovered) {
  const auto show = [this](int button, int picture) { Picture(button).SetPicture(Picture(picture).Picture()); };
  if (hovered == kBrowseButton) {
    show(kBrowseButton, kBrowseHoverPicture);
    return;
  }
  if (hovered == 0) show(kBrowseButton, kBrowsePicture);
  show(kRegisterButton, hovered == kRegisterButton ? kRegisterHoverPicture : kRegisterPicture);
  show(kUnregisterButton, hovered == kUnregisterButton ? kUnregisterHoverPicture : kUnregisterPicture);
}

PictureBox* MainWindow::PictureAt(POINT pt) const {
  for (const auto& picture : pictures_)
    if (picture && picture->Covers(pt)) return picture.get();
  return nullptr;
}

void MainWindow::OnMouse(UINT msg, POINT pt) {
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
  if (msg == WM_MOUSEMOVE) {
    if (!picture) ShowButtonPictures(0);
    return;
  }
  if (!picture) {
    OnBackgroundPress(PressedButton(msg));
    return;
  }
  if (msg == WM_LBUTTONDOWN) {
    SetCapture(hwnd_);
    pressed_ = picture;
  }
  if (picture->onPress) picture->onPress(PressedButton(msg));
}

// The left button moves the window (as its caption would), the right one pops up the Settings menu.
void MainWindow::OnBackgroundPress(MouseButton button) {
  if (button == MouseButton::Left) {
    ReleaseCapture();
    SendMessageW(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
  }
  if (button == MouseButton::Right) ShowSettingsMenu(nullptr);
}

void MainWindow::OnContextMenuKey(HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  const POINT at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ShowSettingsMenu(&at);
}

void MainWindow::OnLogoClick() {
  if (ShowBox(L"Would you like to visit the Vesk homepage now?", MB_YESNO | MB_ICONQUESTION, L"Go To Vesk?") != IDYES)
    return;
  const std::wstring address(kHomepage, kHomepage + sizeof kHomepage - 1);
  const HINSTANCE started = platform::ShellExecuteW(nullptr, L"Open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  if (reinterpret_cast<INT_PTR>(started) <= kShellExecuteFailed) ShowBox(L"Unable to launch your web browser.", MB_OK);
}

void MainWindow::OnPaint() {
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
