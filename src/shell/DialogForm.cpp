#include "shell/DialogForm.h"

#include <algorithm>
#include <cstddef>
#include <cwchar>
#include <utility>

#include "platform/VisualStyles.h"

namespace {

constexpr int kTwipsPerPixel = 15;
int Px(int twips) { return twips / kTwipsPerPixel; }

// A dialog template with no controls, no menu and the standard class: the header, then the three
// variable-length fields (menu, class, title). The title is set later, so it is left empty here.
struct EmptyTemplate {
  DLGTEMPLATE header;
  WORD menu;
  WORD windowClass;
  WCHAR title;
};
static_assert(offsetof(EmptyTemplate, menu) == 18, "the variable fields follow the 18-byte header at once");

// 8 points at 96 pixels an inch, as the controls' places are: the program leaves scaling to the
// system, so text and controls grow together on a screen set larger.
HFONT CreateUiFont() {
  constexpr int kHeightPixels = -11;
  return CreateFontW(kHeightPixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
}

}  // namespace

DialogForm::DialogForm(const wchar_t* caption, int clientWidthTwips, int clientHeightTwips,
                       std::vector<Control> controls)
    : caption_(caption), clientWidth_(clientWidthTwips), clientHeight_(clientHeightTwips),
      controls_(std::move(controls)) {}

DialogForm::~DialogForm() {
  if (font_) DeleteObject(font_);
}

void DialogForm::ShowModal(HWND owner) {
  alignas(DWORD) EmptyTemplate dialog{};
  dialog.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  closing_ = false;
  if (!font_) font_ = CreateUiFont();
  const VisualStyles themed;
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &dialog.header, owner, &DialogForm::DialogProc,
                          reinterpret_cast<LPARAM>(this));
  hwnd_ = nullptr;
}

void DialogForm::Close() {
  if (!hwnd_ || closing_) return;
  closing_ = true;
  OnUnload();
  EndDialog(hwnd_, 0);
}

bool DialogForm::Checked(int id) const { return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED; }

void DialogForm::SetChecked(int id, bool checked) {
  CheckDlgButton(hwnd_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void DialogForm::CreateControls() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  // Created in tab order, so the window order is the tab order.
  for (const Control& c : controls_) {
    const int left = Px(c.left), top = Px(c.top);
    const int width = Px(c.left + c.width) - left, height = Px(c.top + c.height) - top;
    HWND child = CreateWindowExW(0, c.windowClass, c.caption, WS_CHILD | WS_VISIBLE | c.style, left, top, width,
                                 height, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance,
                                 nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    // Enter presses the default button wherever the focus is, unless it is on another button.
    if (wcscmp(c.windowClass, L"BUTTON") == 0 && (c.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
      SendMessageW(hwnd_, DM_SETDEFID, static_cast<WPARAM>(c.id), 0);
  }
}

// Gives the window the frame that holds exactly the client size, centred over its owner and kept on
// the owner's monitor; without a visible owner, centred in the work area where the main window
// first shows.
void DialogForm::SizeAndPlace() {
  RECT frame{0, 0, Px(clientWidth_), Px(clientHeight_)};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  const HWND owner = GetWindow(hwnd_, GW_OWNER);
  const bool overOwner = owner && IsWindowVisible(owner) && !IsIconic(owner);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(overOwner ? MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST)
                            : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY),
                  &monitor);
  const RECT work = monitor.rcWork;
  RECT centre = work;
  if (overOwner) GetWindowRect(owner, &centre);
  const auto place = [](LONG centreFrom, LONG centreTo, int size, LONG low, LONG high) {
    const LONG at = centreFrom + (centreTo - centreFrom - size) / 2;
    return std::max<LONG>(low, std::min<LONG>(at, high - size));
  };
  SetWindowPos(hwnd_, nullptr, place(centre.left, centre.right, width, work.left, work.right),
               place(centre.top, centre.bottom, height, work.top, work.bottom), width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK DialogForm::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    auto* self = reinterpret_cast<DialogForm*>(lParam);
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    self->hwnd_ = hwnd;
    SetWindowTextW(hwnd, self->caption_);
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(self->font_), FALSE);
    self->CreateControls();
    self->SizeAndPlace();
    self->OnLoad();
    SetFocus(GetNextDlgTabItem(hwnd, nullptr, FALSE));  // the first control in tab order
    return FALSE;
  }
  auto* self = reinterpret_cast<DialogForm*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!self) return FALSE;
  if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    self->Click(LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}
