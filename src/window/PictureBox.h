#pragma once
// A picture control: a place on the main window's client area that shows one bitmap, or, when it
// has none, lets the skin below show through. Without a window of its own, the main window paints it
// and hands it the mouse presses and clicks that fall on it; with one (a button), that window draws
// it and takes the mouse.
#include <functional>

#include <windows.h>

enum class MouseButton { None, Left, Right, Middle };

class PictureBox {
 public:
  // place: in client pixels of parent. A hidden picture only holds a bitmap for others to show.
  PictureBox(HWND parent, int id, RECT place, bool visible);
  ~PictureBox();
  PictureBox(const PictureBox&) = delete;
  PictureBox& operator=(const PictureBox&) = delete;

  int Id() const { return id_; }
  const RECT& Place() const { return place_; }
  bool Visible() const { return visible_; }
  // Does this visible picture, without a window of its own, cover the client point?
  bool Covers(POINT pt) const { return visible_ && !window_ && PtInRect(&place_, pt) != FALSE; }
  // The window that shows the picture from now on.
  void AttachWindow(HWND window) { window_ = window; }

  // The picture shown; a picture given as a resource is loaded here, the first time it is asked for.
  HBITMAP Picture() const;
  // Sets the picture (not owned); repaints its place only when it changes.
  void SetPicture(HBITMAP picture);
  // Gives the picture a bitmap resource of the program, loaded when first needed and freed with
  // this picture control: pictures that only show on a mouse move cost nothing at start-up.
  void SetPictureResource(int resource);
  // Draws the picture (unless it has a window) at its place on the parent's paint DC, through a
  // memory DC of the caller.
  void Paint(HDC dc, HDC mem) const;

  std::function<void()> onClick;  // a left press and release on the picture
  std::function<void(MouseButton)> onPress;

 private:
  // Repaints the picture where it shows.
  void Invalidate() const;

  HWND parent_;
  HWND window_ = nullptr;
  int id_;
  RECT place_;
  bool visible_;
  mutable HBITMAP picture_ = nullptr;
  int resource_ = 0;
  mutable HBITMAP loaded_ = nullptr;  // loaded from resource_, owned
};

// A picture of the program (a resource packed by tools/make-pictures.sh) as a 24-bit DIB section,
// quick to draw. The skin's brushed metal is not stored but drawn here. Freed with DeleteObject; null
// when the resource cannot be read.
HBITMAP LoadPicture(int resource);

// The button a button-down message presses; None for any other message.
MouseButton PressedButton(UINT msg);
