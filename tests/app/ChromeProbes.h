#pragma once
// Probes for the main window's chrome in this process: popup menus that open while a handler runs,
// and mouse input.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>

class frmMain;

// Watches this process for popup menu windows (class #32768). Each one is recorded with its item
// texts and then closed with Escape, so a handler that opened it returns. Stops when destroyed.
class MenuWatcher {
 public:
  MenuWatcher();
  ~MenuWatcher();
  // The item texts of every menu seen so far, one list per menu.
  std::vector<std::vector<std::wstring>> Seen() const;

 private:
  void Poll();
  std::atomic<bool> stop_{false};
  mutable std::mutex lock_;
  std::vector<std::vector<std::wstring>> seen_;
  HWND closing_ = nullptr;  // the menu recorded last, while it is still open
  std::thread thread_;
};

// A mouse message at a point of a window's client area, as the system reports it: a button-down
// message carries its button's flag, a click is a press and a release at the same point.
void Mouse(HWND hwnd, UINT msg, POINT at = POINT{2, 2});
void Click(HWND hwnd, POINT at);
// The point of the main window's client area that lies this far from a picture's top left corner.
POINT InPicture(const frmMain& form, int id, int dx = 2, int dy = 2);

