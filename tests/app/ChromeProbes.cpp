#include "ChromeProbes.h"

#include <algorithm>

#include "app/PictureBox.h"
#include "app/frmMain.h"

namespace {

BOOL CALLBACK CollectMenus(HWND hwnd, LPARAM param) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  char cls[16] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  if (pid == GetCurrentProcessId() && IsWindowVisible(hwnd) && std::string(cls) == "#32768")
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
  return TRUE;
}

std::vector<std::wstring> ItemsOf(HWND menuWindow) {
  std::vector<std::wstring> items;
  HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
  for (int i = 0, n = menu ? GetMenuItemCount(menu) : 0; i < n; ++i) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
    items.push_back(text);
  }
  return items;
}

}  // namespace

MenuWatcher::MenuWatcher()
    : thread_([this] {
        while (!stop_) {
          Poll();
          Sleep(20);
        }
      }) {}

MenuWatcher::~MenuWatcher() {
  stop_ = true;
  thread_.join();
}

std::vector<std::vector<std::wstring>> MenuWatcher::Seen() const {
  std::lock_guard<std::mutex> lock(lock_);
  return seen_;
}

void MenuWatcher::Poll() {
  std::vector<HWND> open;
  EnumWindows(&CollectMenus, reinterpret_cast<LPARAM>(&open));
  // A menu window that has closed is forgotten: the next menu may get the same handle.
  if (std::find(open.begin(), open.end(), closing_) == open.end()) closing_ = nullptr;
  for (HWND menu : open) {
    if (menu != closing_) {
      Sleep(30);  // let the menu finish showing itself
      std::vector<std::wstring> items = ItemsOf(menu);
      std::lock_guard<std::mutex> lock(lock_);
      seen_.push_back(std::move(items));
      closing_ = menu;
    }
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  }
}

void Mouse(HWND hwnd, UINT msg, POINT at) {
  const WPARAM keys = msg == WM_LBUTTONDOWN   ? MK_LBUTTON
                      : msg == WM_RBUTTONDOWN ? MK_RBUTTON
                      : msg == WM_MBUTTONDOWN ? MK_MBUTTON
                                              : 0;
  SendMessageW(hwnd, msg, keys, MAKELPARAM(at.x, at.y));
}

void Click(HWND hwnd, POINT at) {
  Mouse(hwnd, WM_LBUTTONDOWN, at);
  Mouse(hwnd, WM_LBUTTONUP, at);
}

POINT InPicture(const frmMain& form, int id, int dx, int dy) {
  const RECT& place = form.Picture(id).Place();
  return POINT{place.left + dx, place.top + dy};
}
