#pragma once
// Probes for the main window's chrome in this process: popup menus that open while a handler runs,
// and the messages that a window is sent.
#include <string>
#include <vector>

#include <windows.h>

class frmMain;

// Watches this process for popup menu windows (class #32768). Each one is recorded with its item
// texts and then closed with Escape, so a handler that opened it returns. Stops when destroyed.
class MenuWatcher {
 public:
  MenuWatcher();
  ~MenuWatcher();
  MenuWatcher(const MenuWatcher&) = delete;
  MenuWatcher& operator=(const MenuWatcher&) = delete;

  // The item texts of every menu seen so far, one list per menu.
  std::vector<std::vector<std::wstring>> Seen() const;

 private:
  static DWORD WINAPI ThreadMain(void* self);
  void Poll();

  HANDLE thread_ = nullptr;
  HANDLE stop_ = nullptr;
  mutable CRITICAL_SECTION lock_;
  std::vector<std::vector<std::wstring>> seen_;
  std::vector<HWND> closing_;
};

// Records the messages sent to windows of this thread while it exists (one at a time).
class SentLog {
 public:
  struct Entry {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
  };
  SentLog();
  ~SentLog();
  SentLog(const SentLog&) = delete;
  SentLog& operator=(const SentLog&) = delete;

  bool Saw(HWND hwnd, UINT msg, WPARAM wParam) const;
  bool Saw(HWND hwnd, UINT msg) const;
  const std::vector<Entry>& Entries() const { return entries_; }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  HHOOK hook_ = nullptr;
  std::vector<Entry> entries_;
};

// A press of a mouse button on a window at a point of its client area, as the system reports it.
void Press(HWND hwnd, UINT downMessage, int x = 2, int y = 2);
// A left click (press and release inside) on a window at a point of its client area.
void Click(HWND hwnd, int x = 2, int y = 2);
// A mouse move over a window at a point of its client area.
void MoveOver(HWND hwnd, int x = 2, int y = 2);
// The point of the main window's client area that lies this far from a picture's top left corner.
POINT InPicture(const frmMain& form, int id, int dx = 2, int dy = 2);

// Runs a press that may start the system's move loop. The loop ends at the first message it
// dispatches once the (real) left button is up, so a thread timer is set to arrive inside it;
// a watchdog presses Escape should the loop still run after a few seconds.
void PressThatMayMove(HWND hwnd, UINT downMessage, int x = 2, int y = 2);
