#pragma once
// A picture control without a window of its own: a place on the main window's client area that
// shows one bitmap, or, when it has none, lets the skin below show through. The main window paints
// it and hands it the mouse presses, moves and clicks that fall on it.
#include <functional>

#include <windows.h>

class PictureBox {
 public:
  using MouseHandler = std::function<void(int button, int shift, int x, int y)>;

  // place: in client pixels of parent. A hidden picture only holds a bitmap for others to show.
  PictureBox(HWND parent, int id, RECT place, bool visible);
  PictureBox(const PictureBox&) = delete;
  PictureBox& operator=(const PictureBox&) = delete;

  int Id() const { return id_; }
  const RECT& Place() const { return place_; }
  bool Visible() const { return visible_; }
  // Does this visible picture cover the client point?
  bool Covers(POINT pt) const { return visible_ && PtInRect(&place_, pt) != FALSE; }

  HBITMAP Picture() const { return picture_; }
  // Sets the picture (not owned); repaints its place only when it changes.
  void SetPicture(HBITMAP picture);
  // Draws the picture at its place on the parent's paint DC.
  void Paint(HDC dc) const;

  std::function<void()> onClick;
  MouseHandler onMouseDown;
  MouseHandler onMouseMove;

 private:
  HWND parent_;
  int id_;
  RECT place_;
  bool visible_;
  HBITMAP picture_ = nullptr;
};

// Button code and shift state of a mouse message, as the window's mouse events report them.
int MouseButtonOf(UINT msg, WPARAM wParam);
int ShiftStateOf(WPARAM wParam);
