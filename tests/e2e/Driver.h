#pragma once
// Drives the built program in a process of its own, only through what a user has: the mouse and
// the keyboard (as system input), dropped files, and answers to its message boxes and dialogs.
// Reads what the user would see: control texts, list entries, pixels of the screen.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "TestEnv.h"

namespace e2e {

// The program's executable next to the tests.
std::string ProgramPath();

class Program {
 public:
  // Starts the program with a command line tail (may be empty) and waits for its visible window.
  explicit Program(const std::string& arguments = "");
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  DWORD Id() const { return process_->Id(); }
  bool Running() const { return process_->Running(); }
  std::optional<DWORD> WaitExit(DWORD timeoutMs) { return process_->WaitExit(timeoutMs); }
  HWND Main() const { return main_; }
  HWND Control(int id) const { return GetDlgItem(main_, id); }
  DialogAnswerer& Boxes() { return *boxes_; }

  // ---- what the user sees
  RECT WindowRect() const;
  std::wstring Text(int id) const;          // a text box's text
  std::vector<std::wstring> ListItems() const;
  int ListSelection() const;
  // Counts pure green and pure magenta pixels on the screen over a control.
  struct Colours {
    int green = 0, magenta = 0;
  };
  Colours ColoursOver(int id) const;
  // Saves the window as it is on the screen into a 24-bit BMP file.
  void Screenshot(const std::string& path) const;

  // A control's rectangle on the screen; a picture's is its place on the window.
  RECT ScreenRect(int id) const;

  // ---- mouse and keyboard, at places in a control's client area (id 0: the window's background)
  POINT ScreenPoint(int id, int x, int y) const;
  void MoveTo(int id, int x, int y) const;
  void Click(int id, int x, int y) const;
  void RightClick(int id, int x, int y) const;
  // Presses the left button at one place, moves in steps to the other, releases there.
  void Drag(POINT from, POINT to) const;
  void ClickListItem(int index) const;
  void Type(const std::wstring& text) const;
  void PressKey(WORD vk) const;

  // ---- drops: the files, one a line, are dropped on the control as the shell drops them
  void Drop(int id, const std::vector<std::string>& files);

  // Waits (pumping) until cond() or the time is up.
  static bool WaitFor(const std::function<bool()>& cond, DWORD timeoutMs) { return PumpUntil(cond, timeoutMs); }

 private:
  HWND DropHookWindow() const;

  std::string dropList_;
  std::unique_ptr<testenv::Process> process_;
  std::unique_ptr<DialogAnswerer> boxes_;
  HWND main_ = nullptr;
};

// System mouse input at a screen point.
void MouseMove(POINT at);
void MouseButton(POINT at, DWORD flags);

// The popup menu windows (class #32768) of a process that are open now.
std::vector<HWND> OpenMenus(DWORD processId);

}  // namespace e2e
