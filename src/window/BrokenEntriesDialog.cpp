#include "window/BrokenEntriesDialog.h"

#include <algorithm>
#include <atomic>
#include <cstddef>

#include <commctrl.h>

#include "window/BrokenEntriesWork.h"
#include "games/BrokenEntries.h"
#include "platform/NumberText.h"
#include "platform/VisualStyles.h"

namespace {

constexpr int kMargin = 10, kGap = 6, kClientWidth = 440, kListHeight = 220, kButtonHeight = 23, kButtonWidth = 75;

// The list view's class, from the common controls of the themed look (loaded on first use).
bool ListViewReady() {
  static const bool ready = [] {
    HMODULE module = LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    using Init = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto init = module ? reinterpret_cast<Init>(reinterpret_cast<void (*)()>(GetProcAddress(module, "InitCommonControlsEx"))) : nullptr;
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_LISTVIEW_CLASSES;
    return init && init(&classes);
  }();
  return ready;
}

// A dialog template with no controls; the title and the controls come at WM_INITDIALOG.
struct EmptyTemplate {
  DLGTEMPLATE header;
  WORD menu, windowClass, title;
};

}  // namespace

BrokenEntriesDialog::~BrokenEntriesDialog() {
  if (font_) DeleteObject(font_);
}

std::optional<Outcome> BrokenEntriesDialog::ShowModal(HWND owner) {
  const VisualStyles themed;
  if (!ListViewReady()) return std::nullopt;
  if (!font_) font_ = CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
  alignas(DWORD) EmptyTemplate dialog{};
  dialog.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  outcome_.reset();
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &dialog.header, owner, &DialogProc, reinterpret_cast<LPARAM>(this));
  hwnd_ = nullptr;
  return std::move(outcome_);
}

INT_PTR CALLBACK BrokenEntriesDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    reinterpret_cast<BrokenEntriesDialog*>(lParam)->hwnd_ = hwnd;
    reinterpret_cast<BrokenEntriesDialog*>(lParam)->OnInit();
    return FALSE;
  }
  auto* self = reinterpret_cast<BrokenEntriesDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  return self ? self->OnMessage(msg, wParam, lParam) : FALSE;
}

INT_PTR BrokenEntriesDialog::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == BrokenEntriesWork::kProgressMessage) OnProgress(wParam, static_cast<size_t>(lParam));
  if (msg == BrokenEntriesWork::kCheckedMessage) OnChecked();
  if (msg == BrokenEntriesWork::kRemovedMessage) {
    outcome_ = std::move(work_->outcome);
    Close();
  }
  if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    // A removal under way runs to its end: its outcome belongs in the panel.
    if (LOWORD(wParam) == IDCANCEL && !removing_) Close();
    if (LOWORD(wParam) == kRemoveButton && !checking_ && !removing_) OnRemove();
    return TRUE;
  }
  if (msg == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->idFrom == kEntryList) {
    const auto& change = *reinterpret_cast<const NMLISTVIEW*>(lParam);
    if (change.hdr.code == LVN_ITEMCHANGING) {
      SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, AllowChange(change) ? FALSE : TRUE);
      return TRUE;
    }
    if (change.hdr.code == LVN_ITEMCHANGED) OnItemChanged(change);
  }
  return FALSE;
}

HWND BrokenEntriesDialog::CreateControl(int id, const wchar_t* windowClass, DWORD style, const wchar_t* text) {
  HWND control = CreateWindowExW(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  return control;
}

void BrokenEntriesDialog::OnInit() {
  SetWindowTextW(hwnd_, kCaption);
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  HDC dc = GetDC(hwnd_);
  const HGDIOBJ old = SelectObject(dc, font_);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
  lineHeight_ = metrics.tmHeight;
  // Created in tab order: the list, Remove, Close.
  CreateControl(kStatusText, L"STATIC", SS_LEFT | SS_NOPREFIX, L"Checking the Games list...");
  HWND list = CreateControl(kEntryList, WC_LISTVIEWW, WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS, L"Broken entries");
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  const wchar_t* columns[] = {L"Entry", L"Why it is broken"};
  for (int i = 0; i < 2; ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = i == 0 ? 200 : 190;
    column.pszText = const_cast<wchar_t*>(columns[i]);
    SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
  EnableWindow(CreateControl(kRemoveButton, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, L"&Remove"), FALSE);
  CreateControl(IDCANCEL, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, L"Cancel");
  Layout(true);
  CentreOverOwner();
  SetFocus(GetDlgItem(hwnd_, IDCANCEL));
  work_ = std::make_shared<BrokenEntriesWork>();
  work_->hwnd = hwnd_;
  checking_ = true;
  if (!BrokenEntriesWork::StartCheck(work_)) OnChecked();
}

void BrokenEntriesDialog::Layout(bool withList) {
  const int statusHeight = 2 * lineHeight_ + 2;
  int y = kMargin;
  SetWindowPos(GetDlgItem(hwnd_, kStatusText), nullptr, kMargin, y, kClientWidth - 2 * kMargin, statusHeight, SWP_NOZORDER);
  y += statusHeight + kGap;
  ShowWindow(GetDlgItem(hwnd_, kEntryList), withList ? SW_SHOW : SW_HIDE);
  ShowWindow(GetDlgItem(hwnd_, kRemoveButton), withList ? SW_SHOW : SW_HIDE);
  if (withList) {
    SetWindowPos(GetDlgItem(hwnd_, kEntryList), nullptr, kMargin, y, kClientWidth - 2 * kMargin, kListHeight, SWP_NOZORDER);
    y += kListHeight + kGap + 4;
  }
  // Buttons at the right, each wide enough for its text.
  int right = kClientWidth - kMargin;
  for (int id : {IDCANCEL, kRemoveButton}) {
    HWND button = GetDlgItem(hwnd_, id);
    wchar_t text[32] = {};
    GetWindowTextW(button, text, 32);
    HDC dc = GetDC(button);
    const HGDIOBJ old = SelectObject(dc, font_);
    RECT need{};
    DrawTextW(dc, text, -1, &need, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(button, dc);
    const int width = std::max<int>(kButtonWidth, need.right + 2 * GetSystemMetrics(SM_CXEDGE) + 16);
    SetWindowPos(button, nullptr, right - width, y, width, kButtonHeight, SWP_NOZORDER);
    right -= width + kGap;
  }
  RECT frame{0, 0, kClientWidth, y + kButtonHeight + kMargin};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
  SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER);
}

// Centred over the owner and kept on the owner's monitor.
void BrokenEntriesDialog::CentreOverOwner() {
  RECT mine, centre;
  GetWindowRect(hwnd_, &mine);
  const HWND owner = GetWindow(hwnd_, GW_OWNER);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(owner ? owner : hwnd_, MONITOR_DEFAULTTONEAREST), &monitor);
  centre = monitor.rcWork;
  if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &centre);
  const LONG width = mine.right - mine.left, height = mine.bottom - mine.top;
  const LONG x = std::clamp<LONG>((centre.left + centre.right - width) / 2, monitor.rcWork.left, monitor.rcWork.right - width);
  const LONG y = std::clamp<LONG>((centre.top + centre.bottom - height) / 2, monitor.rcWork.top, monitor.rcWork.bottom - height);
  SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void BrokenEntriesDialog::OnProgress(size_t checked, size_t total) {
  if (!checking_) return;
  SetDlgItemTextW(hwnd_, kStatusText,
                  (L"Checking the Games list: " + DecimalText(static_cast<long long>(checked)) + L" of " +
                   DecimalText(static_cast<long long>(total)) + L" entries checked...").c_str());
}

void BrokenEntriesDialog::OnChecked() {
  checking_ = false;
  broken_ = std::move(work_->found);
  SetDlgItemTextW(hwnd_, IDCANCEL, L"&Close");
  if (broken_.empty()) {
    SetDlgItemTextW(hwnd_, kStatusText, L"No broken entries were found.");
    Layout(false);
    CentreOverOwner();
    SendMessageW(hwnd_, DM_SETDEFID, IDCANCEL, 0);
    SetFocus(GetDlgItem(hwnd_, IDCANCEL));
    return;
  }
  SetDlgItemTextW(hwnd_, kStatusText,
                  (DecimalText(static_cast<long long>(broken_.size())) +
                   L" broken entries were found. The ticked ones are removed with their heads' keys, which are saved first.").c_str());
  FillList();
  Layout(true);
  SendMessageW(hwnd_, DM_SETDEFID, kRemoveButton, 0);
  SetFocus(GetDlgItem(hwnd_, kEntryList));
}

void BrokenEntriesDialog::FillList() {
  HWND list = GetDlgItem(hwnd_, kEntryList);
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LVM_SETITEMCOUNT, broken_.size(), 0);
  for (size_t i = 0; i < broken_.size(); ++i) {
    std::wstring reason = games::ReasonText(broken_[i]);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<wchar_t*>(broken_[i].name.c_str());
    item.lParam = static_cast<LPARAM>(i);
    const int at = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    LVITEMW sub{};
    sub.mask = LVIF_TEXT;
    sub.iItem = at;
    sub.iSubItem = 1;
    sub.pszText = reason.data();
    SendMessageW(list, LVM_SETITEMTEXTW, at, reinterpret_cast<LPARAM>(&sub));
    ListView_SetCheckState(list, at, games::Removable(broken_[i]));
  }
  ListView_SetItemState(list, 0, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

bool BrokenEntriesDialog::AllowChange(const NMLISTVIEW& change) const {
  const bool ticks = (change.uChanged & LVIF_STATE) && (change.uNewState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
  const size_t index = static_cast<size_t>(change.lParam);
  return !ticks || (index < broken_.size() && games::Removable(broken_[index]));
}

void BrokenEntriesDialog::OnItemChanged(const NMLISTVIEW& change) {
  if (!(change.uChanged & LVIF_STATE)) return;
  const bool was = (change.uOldState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
  const bool is = (change.uNewState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
  if (was == is) return;
  ticked_ = is ? ticked_ + 1 : ticked_ - std::min<size_t>(ticked_, 1);
  EnableWindow(GetDlgItem(hwnd_, kRemoveButton), ticked_ > 0);
}

void BrokenEntriesDialog::OnRemove() {
  HWND list = GetDlgItem(hwnd_, kEntryList);
  std::vector<games::EntryState> chosen;
  const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = i;
    SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    if (ListView_GetCheckState(list, i) && static_cast<size_t>(item.lParam) < broken_.size())
      chosen.push_back(broken_[static_cast<size_t>(item.lParam)]);
  }
  if (chosen.empty()) return;
  removing_ = true;
  work_->chosen = std::move(chosen);
  SetDlgItemTextW(hwnd_, kStatusText, L"Removing the ticked entries...");
  for (int id : {kEntryList, kRemoveButton, IDCANCEL}) EnableWindow(GetDlgItem(hwnd_, id), FALSE);
  if (BrokenEntriesWork::StartRemoval(work_)) return;
  work_->outcome = games::RemoveBrokenEntries(work_->chosen);
  PostMessageW(hwnd_, BrokenEntriesWork::kRemovedMessage, 0, 0);
}

void BrokenEntriesDialog::Close() {
  if (work_) work_->Detach();  // the check stops at its next entry and reports to nobody
  EndDialog(hwnd_, 0);
}
