#include "Driver.h"

#include "app/Controls.h"
#include "app/TestDropHook.h"
#include "app/frmMain.h"

namespace e2e {

std::string ProgramPath() { return testenv::ExeDir() + "VeskInstaller.exe"; }

// ---------------------------------------------------------------- system input

namespace {

// Absolute mouse coordinates: the system maps 0..65535 onto the primary screen.
LONG Normalised(LONG pixel, int extent) { return static_cast<LONG>((pixel * 65536LL + extent - 1) / extent); }

void SendMouse(POINT at, DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = Normalised(at.x, GetSystemMetrics(SM_CXSCREEN));
  input.mi.dy = Normalised(at.y, GetSystemMetrics(SM_CYSCREEN));
  input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
  SendInput(1, &input, sizeof input);
  PumpFor(30);  // let the program take it before the next one
}

void SendKey(WORD vk, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof input);
}

}  // namespace

void MouseMove(POINT at) { SendMouse(at, 0); }

void MouseButton(POINT at, DWORD flags) { SendMouse(at, flags); }

// ---------------------------------------------------------------- menus

namespace {

struct MenuSearch {
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectMenu(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<MenuSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  char cls[16] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  if (pid == search->pid && IsWindowVisible(hwnd) && std::string(cls) == "#32768") search->found.push_back(hwnd);
  return TRUE;
}

}  // namespace

std::vector<HWND> OpenMenus(DWORD processId) {
  MenuSearch search{processId, {}};
  EnumWindows(&CollectMenu, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// ---------------------------------------------------------------- the program

Program::Program(const std::string& arguments) {
  // The list of dropped files lives beside the tests' folders, so it never disturbs one of them.
  CreateDirectoryA("C:\\vesktest", nullptr);
  dropList_ = "C:\\vesktest\\dropped-files-" + std::to_string(GetTickCount64()) + ".txt";
  const std::string command = "\"" + ProgramPath() + "\"" + (arguments.empty() ? "" : " " + arguments);
  process_ = std::make_unique<testenv::Process>(command,
                                                std::string(TestDropHook::kEnvironmentVariable) + "=" + dropList_);
  boxes_ = std::make_unique<DialogAnswerer>(process_->Id());
  main_ = testenv::WaitForWindow(process_->Id(), frmMain::kCaption, 30000);
  if (main_) PumpUntil([&] { return IsWindowVisible(main_) != FALSE; }, 10000);
}

Program::~Program() {
  process_->Kill();
  boxes_.reset();
  DeleteFileA(dropList_.c_str());
}

RECT Program::WindowRect() const {
  RECT r{};
  GetWindowRect(main_, &r);
  return r;
}

std::wstring Program::Text(int id) const {
  HWND control = Control(id);
  const LRESULT n = SendMessageW(control, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  text.resize(static_cast<size_t>(
      SendMessageW(control, WM_GETTEXT, static_cast<WPARAM>(n + 1), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

std::vector<std::wstring> Program::ListItems() const {
  HWND list = Control(IDC_lstGames);
  std::vector<std::wstring> items;
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT n = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    std::wstring text(static_cast<size_t>(n > 0 ? n : 0) + 1, L'\0');
    const LRESULT got =
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    items.push_back(text);
  }
  return items;
}

int Program::ListSelection() const {
  return static_cast<int>(SendMessageW(Control(IDC_lstGames), LB_GETCURSEL, 0, 0));
}

namespace {

// The screen's pixels in a rectangle, top row first, as 0x00RRGGBB.
std::vector<DWORD> ScreenPixels(const RECT& r) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  std::vector<DWORD> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(mem, bitmap);
  BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  SelectObject(mem, old);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  GetDIBits(mem, bitmap, 0, static_cast<UINT>(h), pixels.data(), &bi, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  for (DWORD& p : pixels) p &= 0xFFFFFF;
  return pixels;
}

}  // namespace

Program::Colours Program::ColoursOver(int id) const {
  const RECT r = ScreenRect(id);
  Colours c;
  for (DWORD p : ScreenPixels(r)) {
    if (p == 0x00FF00) ++c.green;
    if (p == 0xFF00FF) ++c.magenta;
  }
  return c;
}

void Program::Screenshot(const std::string& path) const {
  // Let the program finish painting what it has just changed.
  WaitForInputIdle(process_->Handle(), 3000);
  RedrawWindow(main_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  PumpFor(250);
  const RECT r = WindowRect();
  const int w = r.right - r.left, h = r.bottom - r.top;
  const std::vector<DWORD> pixels = ScreenPixels(r);
  const int stride = (w * 3 + 3) & ~3;
  std::string bytes(static_cast<size_t>(stride) * static_cast<size_t>(h), '\0');
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const DWORD p = pixels[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
      char* out = &bytes[static_cast<size_t>(h - 1 - y) * static_cast<size_t>(stride) + static_cast<size_t>(x) * 3];
      out[0] = static_cast<char>(p & 0xFF);
      out[1] = static_cast<char>((p >> 8) & 0xFF);
      out[2] = static_cast<char>((p >> 16) & 0xFF);
    }
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = w;
  info.biHeight = h;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = static_cast<DWORD>(bytes.size());
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + info.biSizeImage;
  std::string all(reinterpret_cast<const char*>(&file), sizeof file);
  all.append(reinterpret_cast<const char*>(&info), sizeof info);
  all += bytes;
  testenv::WriteFileBytes(path, all);
}

RECT Program::ScreenRect(int id) const {
  RECT r{};
  if (id < kFirstPicture) {
    GetWindowRect(Control(id), &r);
    return r;
  }
  // Pictures are drawn by the main window itself: their places are on its client area.
  for (const ControlPlace& p : kPlaces)
    if (p.id == id)
      r = RECT{p.left / kTwipsPerPixel, p.top / kTwipsPerPixel, (p.left + p.width) / kTwipsPerPixel,
               (p.top + p.height) / kTwipsPerPixel};
  MapWindowPoints(main_, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

POINT Program::ScreenPoint(int id, int x, int y) const {
  if (id >= kFirstPicture) {
    const RECT r = ScreenRect(id);
    return POINT{r.left + x, r.top + y};
  }
  POINT p{x, y};
  ClientToScreen(id ? Control(id) : main_, &p);
  return p;
}

void Program::MoveTo(int id, int x, int y) const { MouseMove(ScreenPoint(id, x, y)); }

void Program::Click(int id, int x, int y) const {
  const POINT at = ScreenPoint(id, x, y);
  MouseMove(at);
  MouseButton(at, MOUSEEVENTF_LEFTDOWN);
  MouseButton(at, MOUSEEVENTF_LEFTUP);
}

void Program::RightClick(int id, int x, int y) const {
  const POINT at = ScreenPoint(id, x, y);
  MouseMove(at);
  MouseButton(at, MOUSEEVENTF_RIGHTDOWN);
  MouseButton(at, MOUSEEVENTF_RIGHTUP);
}

void Program::Drag(POINT from, POINT to) const {
  MouseMove(from);
  MouseButton(from, MOUSEEVENTF_LEFTDOWN);
  // Moves that arrive before the program has started its move would be lost: wait for the
  // system's move loop (or, for a press that starts none, a little while).
  const DWORD thread = GetWindowThreadProcessId(main_, nullptr);
  PumpUntil(
      [&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(thread, &info) && (info.flags & GUI_INMOVESIZE) != 0;
      },
      1000);
  const int steps = 8;
  for (int i = 1; i <= steps; ++i)
    MouseMove(POINT{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
  MouseButton(to, MOUSEEVENTF_LEFTUP);
  PumpFor(200);
}

void Program::ClickListItem(int index) const {
  HWND list = Control(IDC_lstGames);
  const int height = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
  const int top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
  Click(IDC_lstGames, 30, (index - top) * height + height / 2);
}

void Program::Type(const std::wstring& text) const {
  for (wchar_t c : text) {
    const SHORT key = VkKeyScanW(c);
    const bool shift = (key >> 8) & 1;
    if (shift) SendKey(VK_SHIFT, false);
    SendKey(static_cast<WORD>(key & 0xFF), false);
    SendKey(static_cast<WORD>(key & 0xFF), true);
    if (shift) SendKey(VK_SHIFT, true);
    PumpFor(10);
  }
  PumpFor(100);
}

void Program::PressKey(WORD vk) const {
  SendKey(vk, false);
  SendKey(vk, true);
  PumpFor(100);
}

HWND Program::DropHookWindow() const {
  HWND hook = nullptr;
  while ((hook = FindWindowExA(HWND_MESSAGE, hook, TestDropHook::kTestDropClass, nullptr)) != nullptr) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hook, &pid);
    if (pid == Id()) return hook;
  }
  return nullptr;
}

void Program::Drop(int id, const std::vector<std::string>& files) {
  std::string list;
  for (const std::string& f : files) list += f + "\r\n";
  testenv::WriteFileBytes(dropList_, list);
  PostMessageA(DropHookWindow(), RegisterWindowMessageA(TestDropHook::kTestDropMessage),
               reinterpret_cast<WPARAM>(Control(id)), 0);
}

}  // namespace e2e
