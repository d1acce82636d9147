#include "ChromeProbes.h"

#include <algorithm>

#include "app/PictureBox.h"
#include "app/frmMain.h"

namespace {

struct Lock {
  explicit Lock(CRITICAL_SECTION& cs) : cs_(cs) { EnterCriticalSection(&cs_); }
  ~Lock() { LeaveCriticalSection(&cs_); }
  CRITICAL_SECTION& cs_;
};

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
  const int n = menu ? GetMenuItemCount(menu) : 0;
  for (int i = 0; i < n; ++i) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
    items.push_back(text);
  }
  return items;
}

SentLog* g_log = nullptr;

}  // namespace

MenuWatcher::MenuWatcher() {
  InitializeCriticalSection(&lock_);
  stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  thread_ = CreateThread(nullptr, 0, &MenuWatcher::ThreadMain, this, 0, nullptr);
}

MenuWatcher::~MenuWatcher() {
  SetEvent(stop_);
  WaitForSingleObject(thread_, 5000);
  CloseHandle(thread_);
  CloseHandle(stop_);
  DeleteCriticalSection(&lock_);
}

std::vector<std::vector<std::wstring>> MenuWatcher::Seen() const {
  Lock lock(lock_);
  return seen_;
}

DWORD WINAPI MenuWatcher::ThreadMain(void* self) {
  auto* watcher = static_cast<MenuWatcher*>(self);
  while (WaitForSingleObject(watcher->stop_, 20) == WAIT_TIMEOUT) watcher->Poll();
  return 0;
}

void MenuWatcher::Poll() {
  std::vector<HWND> open;
  EnumWindows(&CollectMenus, reinterpret_cast<LPARAM>(&open));
  // A menu window that has closed is forgotten: the next menu may get the same handle.
  closing_.erase(std::remove_if(closing_.begin(), closing_.end(),
                                [&](HWND h) { return std::find(open.begin(), open.end(), h) == open.end(); }),
                 closing_.end());
  for (HWND menu : open) {
    if (std::find(closing_.begin(), closing_.end(), menu) == closing_.end()) {
      Sleep(30);  // let the menu finish showing itself
      std::vector<std::wstring> items = ItemsOf(menu);
      Lock lock(lock_);
      seen_.push_back(std::move(items));
      closing_.push_back(menu);
    }
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  }
}

SentLog::SentLog() {
  g_log = this;
  hook_ = SetWindowsHookExW(WH_CALLWNDPROC, &SentLog::Hook, nullptr, GetCurrentThreadId());
}

SentLog::~SentLog() {
  UnhookWindowsHookEx(hook_);
  g_log = nullptr;
}

LRESULT CALLBACK SentLog::Hook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && g_log) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    g_log->entries_.push_back(Entry{sent->hwnd, sent->message, sent->wParam});
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool SentLog::Saw(HWND hwnd, UINT msg, WPARAM wParam) const {
  return std::any_of(entries_.begin(), entries_.end(),
                     [&](const Entry& e) { return e.hwnd == hwnd && e.msg == msg && e.wParam == wParam; });
}

bool SentLog::Saw(HWND hwnd, UINT msg) const {
  return std::any_of(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.hwnd == hwnd && e.msg == msg; });
}

void Press(HWND hwnd, UINT downMessage, int x, int y) {
  const WPARAM keys = downMessage == WM_LBUTTONDOWN   ? MK_LBUTTON
                      : downMessage == WM_RBUTTONDOWN ? MK_RBUTTON
                                                      : MK_MBUTTON;
  SendMessageW(hwnd, downMessage, keys, MAKELPARAM(x, y));
}

void Click(HWND hwnd, int x, int y) {
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void MoveOver(HWND hwnd, int x, int y) { SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }

POINT InPicture(const frmMain& form, int id, int dx, int dy) {
  const RECT& place = form.Picture(id).Place();
  return POINT{place.left + dx, place.top + dy};
}

namespace {

struct Watchdog {
  HWND target;
  HANDLE done;
};

DWORD WINAPI WatchdogMain(void* param) {
  auto* dog = static_cast<Watchdog*>(param);
  while (WaitForSingleObject(dog->done, 3000) == WAIT_TIMEOUT) {
    PostMessageW(dog->target, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageW(dog->target, WM_LBUTTONUP, 0, 0);
  }
  return 0;
}

}  // namespace

void PressThatMayMove(HWND hwnd, UINT downMessage, int x, int y) {
  const UINT_PTR timer = SetTimer(nullptr, 0, 150, nullptr);
  Watchdog dog{GetAncestor(hwnd, GA_ROOT), CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  HANDLE thread = CreateThread(nullptr, 0, &WatchdogMain, &dog, 0, nullptr);
  Press(hwnd, downMessage, x, y);
  SetEvent(dog.done);
  WaitForSingleObject(thread, 5000);
  CloseHandle(thread);
  CloseHandle(dog.done);
  KillTimer(nullptr, timer);
}
