#pragma once
// A picture control: draws one bitmap, or, when it has none, the part of the window's skin that it
// covers (a transparent area over the skin). Mouse presses, moves and clicks go to the callbacks.
#include <functional>

#include <windows.h>

class PictureBox {
 public:
  using MouseHandler = std::function<void(int button, int shift, int x, int y)>;

  PictureBox(HWND parent, int id, RECT place, HBITMAP* skin);
  ~PictureBox();
  PictureBox(const PictureBox&) = delete;
  PictureBox& operator=(const PictureBox&) = delete;

  HWND hWnd() const { return hwnd_; }
  HBITMAP Picture() const { return picture_; }
  // Sets the picture (not owned); repaints only when it changes.
  void SetPicture(HBITMAP picture);

  std::function<void()> onClick;
  MouseHandler onMouseDown;
  MouseHandler onMouseMove;

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void Paint();

  HWND hwnd_ = nullptr;
  HBITMAP picture_ = nullptr;
  HBITMAP* skin_;
  bool pressed_ = false;
};

// Button code and shift state of a mouse message, as the window's mouse events report them.
int MouseButtonOf(UINT msg, WPARAM wParam);
int ShiftStateOf(WPARAM wParam);
