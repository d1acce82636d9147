#include "app/PictureBox.h"

#include "app/frmMain.h"

int MouseButtonOf(UINT msg, WPARAM wParam) {
  switch (msg) {
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: return vbLeftButton;
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: return vbRightButton;
    case WM_MBUTTONDOWN: case WM_MBUTTONUP: return vbMiddleButton;
    default: break;
  }
  int button = 0;  // a move reports the buttons held down
  if (wParam & MK_LBUTTON) button |= vbLeftButton;
  if (wParam & MK_RBUTTON) button |= vbRightButton;
  if (wParam & MK_MBUTTON) button |= vbMiddleButton;
  return button;
}

int ShiftStateOf(WPARAM wParam) {
  int shift = 0;
  if (wParam & MK_SHIFT) shift |= 1;
  if (wParam & MK_CONTROL) shift |= 2;
  if (GetKeyState(VK_MENU) < 0) shift |= 4;
  return shift;
}

HBITMAP LoadPicture(int resource) {
  return static_cast<HBITMAP>(
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resource), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

PictureBox::PictureBox(HWND parent, int id, RECT place, bool visible)
    : parent_(parent), id_(id), place_(place), visible_(visible) {}

PictureBox::~PictureBox() {
  if (loaded_) DeleteObject(loaded_);
}

HBITMAP PictureBox::Picture() const {
  if (!picture_ && resource_ && !loaded_) {
    loaded_ = LoadPicture(resource_);
    picture_ = loaded_;
  }
  return picture_;
}

void PictureBox::SetPictureResource(int resource) {
  resource_ = resource;
  if (visible_) InvalidateRect(parent_, &place_, FALSE);
}

void PictureBox::SetPicture(HBITMAP picture) {
  if (picture == picture_) return;
  picture_ = picture;
  if (visible_) InvalidateRect(parent_, &place_, FALSE);
}

void PictureBox::Paint(HDC dc, HDC mem) const {
  if (!visible_ || !Picture()) return;  // without a picture the skin below already shows
  HGDIOBJ old = SelectObject(mem, picture_);
  BitBlt(dc, place_.left, place_.top, place_.right - place_.left, place_.bottom - place_.top, mem, 0, 0, SRCCOPY);
  SelectObject(mem, old);
}
