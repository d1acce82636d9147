#include "app/PictureBox.h"

#include <windowsx.h>

#include "app/frmMain.h"

namespace {

constexpr char kClassName[] = "VeskPictureBox";

LRESULT CALLBACK DefaultProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void RegisterOnce(HINSTANCE instance) {
  static bool registered = false;
  if (registered) return;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &DefaultProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  RegisterClassExA(&wc);
  registered = true;
}

}  // namespace

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

PictureBox::PictureBox(HWND parent, int id, RECT place, HBITMAP* skin) : skin_(skin) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  RegisterOnce(instance);
  hwnd_ = CreateWindowExA(0, kClassName, "", WS_CHILD | WS_VISIBLE, place.left, place.top,
                          place.right - place.left, place.bottom - place.top, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PictureBox::WndProc));
}

PictureBox::~PictureBox() {
  if (IsWindow(hwnd_)) {
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

void PictureBox::SetPicture(HBITMAP picture) {
  if (picture == picture_) return;
  picture_ = picture;
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void PictureBox::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  HDC mem = CreateCompatibleDC(dc);
  RECT rc;
  GetClientRect(hwnd_, &rc);
  if (picture_) {
    HGDIOBJ old = SelectObject(mem, picture_);
    BitBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
  } else if (skin_ && *skin_) {
    // Transparent: show the skin below, at this control's place on the parent.
    POINT origin{0, 0};
    MapWindowPoints(hwnd_, GetParent(hwnd_), &origin, 1);
    HGDIOBJ old = SelectObject(mem, *skin_);
    BitBlt(dc, 0, 0, rc.right, rc.bottom, mem, origin.x, origin.y, SRCCOPY);
    SelectObject(mem, old);
  } else {
    FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
  DeleteDC(mem);
  EndPaint(hwnd_, &ps);
}

LRESULT CALLBACK PictureBox::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<PictureBox*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  switch (msg) {
    case WM_PAINT:
      self->Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (msg == WM_LBUTTONDOWN) {
        self->pressed_ = true;
        SetCapture(hwnd);
      }
      if (self->onMouseDown) self->onMouseDown(MouseButtonOf(msg, wParam), ShiftStateOf(wParam), x, y);
      return 0;
    case WM_LBUTTONUP: {
      const bool wasPressed = self->pressed_;
      self->pressed_ = false;
      if (GetCapture() == hwnd) ReleaseCapture();
      RECT rc;
      GetClientRect(hwnd, &rc);
      const POINT pt{x, y};
      if (wasPressed && PtInRect(&rc, pt) && self->onClick) self->onClick();
      return 0;
    }
    case WM_CAPTURECHANGED:
      self->pressed_ = false;
      return 0;
    case WM_MOUSEMOVE:
      if (self->onMouseMove) self->onMouseMove(MouseButtonOf(msg, wParam), ShiftStateOf(wParam), x, y);
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}
