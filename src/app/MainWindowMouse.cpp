// The main window's pictures and the mouse: the picture buttons and their hover pictures, moving
// the window by its background, the right-click menu, the close and minimise marks, the homepage
// logo, and painting the skin.
#include <windowsx.h>

#include "app/MainWindow.h"
#include "fileinfo/PanelTexts.h"
#include "platform/MessageBox.h"
#include "platform/SystemFunctions.h"
#include "registration/HeadCommands.h"
#include "res/resource.h"
#include "shell/OptionsDialog.h"

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
  ShowButtonPictures(0);

  Picture(kBrowseButton).onClick = [this] { registration::BrowseForHead(*this); };
  Picture(kRegisterButton).onClick = [this] { registration::RegisterHead(*this, registrar_); };
  Picture(kUnregisterButton).onClick = [this] { registration::UnregisterHead(*this, registrar_); };
  Picture(kLogo).onClick = [this] { OnLogoClick(); };
  Picture(kCloseMark).onClick = [this] { Close(); };
  Picture(kMinimiseMark).onClick = [this] { ShowWindow(hwnd_, SW_MINIMIZE); };
  for (int button : {kBrowseButton, kRegisterButton, kUnregisterButton})
    Picture(button).onHover = [this, button] { ShowButtonPictures(button); };
  // The version label is part of the title strip: a press on it is a press on the background.
  Picture(kVersionLabel).onPress = [this](MouseButton button) { OnBackgroundPress(button); };
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
    if (!picture)
      ShowButtonPictures(0);
    else if (picture->onHover)
      picture->onHover();
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
  if (button == MouseButton::Right) options_dialog::ShowSettingsMenu(hwnd_);
}

void MainWindow::OnLogoClick() {
  if (ShowBox(L"Would you like to visit the Vesk homepage now?", MB_YESNO | MB_ICONQUESTION, L"Go To Vesk?") != IDYES)
    return;
  const std::wstring address(kHomepage, kHomepage + sizeof kHomepage - 1);
  const HINSTANCE started = system_functions::ShellExecuteW(nullptr, L"Open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
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
