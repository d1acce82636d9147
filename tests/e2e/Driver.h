#pragma once
// Drives the built program in a process of its own, only through what a user has: the mouse and
// the keyboard (as system input), dropped files, and answers to its message boxes and dialogs.
// Reads what the user would see: control texts, list entries, pixels of the screen.
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "TestEnv.h"
#include "app/Controls.h"
#include "TestDropHook.h"
#include "app/frmMain.h"

namespace e2e {

// The program's executable next to the tests.
inline std::string ProgramPath() { return testenv::ExeDir() + "VeskInstallerTesting.exe"; }

// The popup menu windows (class #32768) of a process that are open now.
inline std::vector<HWND> OpenMenus(DWORD processId) {
  std::vector<HWND> found;
  for (HWND menu = nullptr; (menu = FindWindowExA(nullptr, menu, "#32768", nullptr)) != nullptr;) {
    DWORD pid = 0;
    GetWindowThreadProcessId(menu, &pid);
    if (pid == processId && IsWindowVisible(menu)) found.push_back(menu);
  }
  return found;
}

class Program {
 public:
  // Starts the program with no arguments and waits for its visible window.
  Program() {
    // The list of dropped files lives beside the tests' folders, so it never disturbs one of them.
    CreateDirectoryA("C:\\vesktest", nullptr);
    dropList_ = "C:\\vesktest\\dropped-files-" + std::to_string(GetTickCount64()) + ".txt";
    process_ = std::make_unique<testenv::Process>("\"" + ProgramPath() + "\"",
                                                  std::string(TestDropHook::kEnvironmentVariable) + "=" + dropList_);
    boxes_ = std::make_unique<DialogAnswerer>(process_->Id());
    main_ = testenv::WaitForWindow(process_->Id(), frmMain::kCaption, 30000);
    if (main_) PumpUntil([&] { return IsWindowVisible(main_) != FALSE; }, 10000);
  }
  ~Program() {
    process_->Kill();
    boxes_.reset();
    DeleteFileA(dropList_.c_str());
  }

  DWORD Id() const { return process_->Id(); }
  bool Running() const { return process_->Running(); }
  std::optional<DWORD> WaitExit(DWORD timeoutMs) { return process_->WaitExit(timeoutMs); }
  HWND Main() const { return main_; }
  DialogAnswerer& Boxes() { return *boxes_; }

  // ---------------------------------------------------------------- what the user sees

  RECT WindowRect() const {
    RECT r{};
    GetWindowRect(main_, &r);
    return r;
  }

  // A text box's text.
  std::wstring Text(int id) const {
    std::wstring text(static_cast<size_t>(SendMessageW(Control(id), WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(static_cast<size_t>(
        SendMessageW(Control(id), WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
  }

  std::vector<std::wstring> ListItems() const {
    HWND list = Control(IDC_lstGames);
    auto size = [](LRESULT n) { return static_cast<size_t>(std::max<LRESULT>(n, 0)); };
    std::vector<std::wstring> items(size(SendMessageW(list, LB_GETCOUNT, 0, 0)));
    for (size_t i = 0; i < items.size(); ++i) {
      items[i].resize(size(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1);
      items[i].resize(size(SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(items[i].data()))));
    }
    return items;
  }

  int ListSelection() const { return static_cast<int>(SendMessageW(Control(IDC_lstGames), LB_GETCURSEL, 0, 0)); }

  // Counts pure green and pure magenta pixels on the screen over a control.
  struct Colours {
    int green = 0, magenta = 0;
  };
  Colours ColoursOver(int id) const {
    Colours c;
    for (DWORD p : ScreenPixels(ScreenRect(id))) {
      c.green += p == 0x00FF00;
      c.magenta += p == 0xFF00FF;
    }
    return c;
  }

  // Saves the window as it is on the screen into a BMP file.
  void Screenshot(const std::string& path) const {
    // Let the program finish painting what it has just changed.
    WaitForInputIdle(process_->Handle(), 3000);
    RedrawWindow(main_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpFor(250);
    const RECT r = WindowRect();
    const std::vector<DWORD> pixels = ScreenPixels(r);
    const BITMAPINFOHEADER info = TopDown32(r.right - r.left, r.bottom - r.top);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::string all(reinterpret_cast<const char*>(&file), sizeof file);
    all.append(reinterpret_cast<const char*>(&info), sizeof info);
    all.append(reinterpret_cast<const char*>(pixels.data()), info.biSizeImage);
    testenv::WriteFileBytes(path, all);
  }

  // ---------------------------------------------------------------- the user's hands
  // Places are in a control's client area or on a picture; id 0 is the window's background.

  POINT ScreenPoint(int id, int x, int y) const {
    if (id >= kFirstPicture) {
      const RECT r = ScreenRect(id);
      return POINT{r.left + x, r.top + y};
    }
    POINT p{x, y};
    ClientToScreen(id ? Control(id) : main_, &p);
    return p;
  }

  void MoveTo(int id, int x, int y) const { SendMouse(ScreenPoint(id, x, y)); }

  void Click(int id, int x, int y, bool right = false) const {
    const POINT at = ScreenPoint(id, x, y);
    SendMouse(at);
    SendMouse(at, right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
    SendMouse(at, right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
  }

  // Presses the left button at one place, moves in steps to the other, releases there.
  void Drag(POINT from, POINT to) const {
    SendMouse(from);
    SendMouse(from, MOUSEEVENTF_LEFTDOWN);
    // Moves that arrive before the program has started its move would be lost: wait for the
    // system's move loop (or, for a press that starts none, a little while).
    const DWORD thread = GetWindowThreadProcessId(main_, nullptr);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    PumpUntil([&] { return GetGUIThreadInfo(thread, &info) && (info.flags & GUI_INMOVESIZE) != 0; }, 1000);
    for (int i = 1, steps = 8; i <= steps; ++i)
      SendMouse(POINT{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
    SendMouse(to, MOUSEEVENTF_LEFTUP);
    PumpFor(200);
  }

  void ClickListItem(int index) const {
    RECT item{};  // in the list's client area, scrolling counted; the system carries it across processes
    SendMessageW(Control(IDC_lstGames), LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    Click(IDC_lstGames, 30, (item.top + item.bottom) / 2);
  }

  void Type(const std::wstring& text) const {
    for (wchar_t c : text) {
      Stroke(0, c);
      PumpFor(10);
    }
    PumpFor(100);
  }

  void PressKey(WORD vk) const {
    Stroke(vk);
    PumpFor(100);
  }

  // The files are dropped on the control as the shell drops them: the program's hidden drop
  // window takes the list and hands it to the control.
  void Drop(int id, const std::vector<std::string>& files) {
    std::string list;
    for (const std::string& f : files) list += f + "\r\n";
    testenv::WriteFileBytes(dropList_, list);
    HWND hook = nullptr;
    while ((hook = FindWindowExA(HWND_MESSAGE, hook, TestDropHook::kTestDropClass, nullptr)) != nullptr) {
      DWORD pid = 0;
      GetWindowThreadProcessId(hook, &pid);
      if (pid == Id()) break;
    }
    PostMessageA(hook, RegisterWindowMessageA(TestDropHook::kTestDropMessage), reinterpret_cast<WPARAM>(Control(id)),
                 0);
  }

 private:
  HWND Control(int id) const { return GetDlgItem(main_, id); }

  // A control's rectangle on the screen; a picture's is its place on the window's client area,
  // since the main window draws the pictures itself.
  RECT ScreenRect(int id) const {
    RECT r{};
    if (id < kFirstPicture) {
      GetWindowRect(Control(id), &r);
      return r;
    }
    for (const ControlPlace& p : kPlaces)
      if (p.id == id)
        r = RECT{p.left / kTwipsPerPixel, p.top / kTwipsPerPixel, (p.left + p.width) / kTwipsPerPixel,
                 (p.top + p.height) / kTwipsPerPixel};
    MapWindowPoints(main_, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }

  // System mouse input at a screen point, taken by the program before the next one.
  static void SendMouse(POINT at, DWORD flags = 0) {
    // Absolute coordinates: the system maps 0..65535 onto the primary screen.
    auto normalised = [](LONG pixel, int extent) {
      return static_cast<LONG>((pixel * 65536LL + extent - 1) / extent);
    };
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = normalised(at.x, GetSystemMetrics(SM_CXSCREEN));
    input.mi.dy = normalised(at.y, GetSystemMetrics(SM_CYSCREEN));
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &input, sizeof input);
    PumpFor(30);
  }

  // One key stroke, down and up: a virtual key, or (vk 0) a character typed as itself.
  static void Stroke(WORD vk, wchar_t c = 0) {
    INPUT input[2]{};
    for (int i = 0; i < 2; ++i) {
      input[i].type = INPUT_KEYBOARD;
      input[i].ki.wVk = vk;
      input[i].ki.wScan = vk ? static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) : static_cast<WORD>(c);
      input[i].ki.dwFlags = (vk ? 0 : KEYEVENTF_UNICODE) | (i ? KEYEVENTF_KEYUP : 0);
    }
    SendInput(2, input, sizeof input[0]);
  }

  // A 32-bit picture of w by h pixels, top row first.
  static BITMAPINFOHEADER TopDown32(int w, int h) {
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = w;
    info.biHeight = -h;
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(w) * static_cast<DWORD>(h) * 4;
    return info;
  }

  // The screen's pixels in a rectangle, top row first, as 0x00RRGGBB.
  static std::vector<DWORD> ScreenPixels(const RECT& r) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    std::vector<DWORD> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
    HDC screen = GetDC(nullptr), mem = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bitmap);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(mem, old);
    BITMAPINFO bi{};
    bi.bmiHeader = TopDown32(w, h);
    GetDIBits(mem, bitmap, 0, static_cast<UINT>(h), pixels.data(), &bi, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    for (DWORD& p : pixels) p &= 0xFFFFFF;
    return pixels;
  }

  std::string dropList_;
  std::unique_ptr<testenv::Process> process_;
  std::unique_ptr<DialogAnswerer> boxes_;
  HWND main_ = nullptr;
};

}  // namespace e2e
