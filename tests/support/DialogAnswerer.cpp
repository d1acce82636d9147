#include "DialogAnswerer.h"

#include <algorithm>

namespace {

struct Lock {
  explicit Lock(CRITICAL_SECTION& cs) : cs_(cs) { EnterCriticalSection(&cs_); }
  ~Lock() { LeaveCriticalSection(&cs_); }
  CRITICAL_SECTION& cs_;
};

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

std::wstring TextOf(HWND hwnd) {
  // W messages: they also read the controls of another process correctly.
  const LRESULT n = SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  const LRESULT got = SendMessageW(hwnd, WM_GETTEXT, static_cast<WPARAM>(n + 1), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(got));
  return text;
}

BoxIcon IconOf(HICON icon) {
  struct Known {
    int id;
    BoxIcon icon;
  };
  static const Known known[] = {{32515 /* IDI_EXCLAMATION */, BoxIcon::Exclamation},
                                {32513 /* IDI_HAND */, BoxIcon::Stop},
                                {32514 /* IDI_QUESTION */, BoxIcon::Question},
                                {32516 /* IDI_ASTERISK */, BoxIcon::Information}};
  if (!icon) return BoxIcon::None;
  for (const Known& k : known)
    if (LoadIconW(nullptr, MAKEINTRESOURCEW(k.id)) == icon) return k.icon;
  return BoxIcon::Other;
}

struct Children {
  std::vector<HWND> list;
};

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param) {
  reinterpret_cast<Children*>(param)->list.push_back(hwnd);
  return TRUE;
}

struct TopLevel {
  DWORD pid;
  std::vector<HWND> list;
};

BOOL CALLBACK CollectDialog(HWND hwnd, LPARAM param) {
  auto* found = reinterpret_cast<TopLevel*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == found->pid && IsWindowVisible(hwnd) && ClassOf(hwnd) == L"#32770") found->list.push_back(hwnd);
  return TRUE;
}

}  // namespace

const char* IconName(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::None: return "none";
    case BoxIcon::Exclamation: return "exclamation";
    case BoxIcon::Stop: return "stop";
    case BoxIcon::Question: return "question";
    case BoxIcon::Information: return "information";
    case BoxIcon::Other: return "other";
  }
  return "?";
}

DialogAnswerer::DialogAnswerer(DWORD processId) : processId_(processId) {
  InitializeCriticalSection(&lock_);
  stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  thread_ = CreateThread(nullptr, 0, &DialogAnswerer::ThreadMain, this, 0, nullptr);
}

DialogAnswerer::~DialogAnswerer() {
  SetEvent(stop_);
  WaitForSingleObject(thread_, 5000);
  CloseHandle(thread_);
  CloseHandle(stop_);
  DeleteCriticalSection(&lock_);
}

void DialogAnswerer::Answer(int buttonId) {
  Handle([buttonId](const BoxInfo& box) {
    Press(box.hwnd, buttonId);
    return true;
  });
}

void DialogAnswerer::Handle(DialogHandler handler) {
  Lock lock(lock_);
  plan_.push_back(std::move(handler));
}

std::vector<BoxInfo> DialogAnswerer::Seen() const {
  Lock lock(lock_);
  return seen_;
}

size_t DialogAnswerer::SeenCount() const {
  Lock lock(lock_);
  return seen_.size();
}

size_t DialogAnswerer::Unexpected() const {
  Lock lock(lock_);
  return unexpected_;
}

size_t DialogAnswerer::Pending() const {
  Lock lock(lock_);
  return plan_.size();
}

bool DialogAnswerer::WaitForSeen(size_t count, DWORD timeoutMs) const {
  return PumpUntil([&] { return SeenCount() >= count; }, timeoutMs);
}

void DialogAnswerer::Press(HWND dialog, int buttonId) {
  HWND button = GetDlgItem(dialog, buttonId);
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

BoxInfo DialogAnswerer::Inspect(HWND dialog) {
  BoxInfo box;
  box.hwnd = dialog;
  box.className = ClassOf(dialog);
  box.caption = TextOf(dialog);
  Children children;
  EnumChildWindows(dialog, &CollectChild, reinterpret_cast<LPARAM>(&children));
  for (HWND child : children.list) {
    if (GetParent(child) != dialog) continue;
    const std::wstring cls = ClassOf(child);
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    if (_wcsicmp(cls.c_str(), L"Static") == 0) {
      if ((style & SS_TYPEMASK) == SS_ICON) {
        if (IsWindowVisible(child))
          box.icon = IconOf(reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0)));
      } else if (IsWindowVisible(child)) {
        if (!box.text.empty()) box.text += L"\n";
        box.text += TextOf(child);
      }
    } else if (_wcsicmp(cls.c_str(), L"Button") == 0 && IsWindowVisible(child)) {
      const LONG type = style & BS_TYPEMASK;
      if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) box.buttons.push_back(GetDlgCtrlID(child));
    }
  }
  return box;
}

DWORD WINAPI DialogAnswerer::ThreadMain(void* self) {
  auto* answerer = static_cast<DialogAnswerer*>(self);
  while (WaitForSingleObject(answerer->stop_, 20) == WAIT_TIMEOUT) answerer->Poll();
  return 0;
}

void DialogAnswerer::Poll() {
  TopLevel found{processId_, {}};
  EnumWindows(&CollectDialog, reinterpret_cast<LPARAM>(&found));
  for (HWND dialog : found.list) {
    {
      Lock lock(lock_);
      if (std::find(handled_.begin(), handled_.end(), dialog) != handled_.end()) continue;
      handled_.push_back(dialog);
    }
    OnNewDialog(dialog);
  }
  // Forget windows that are gone: a later dialog may get the same handle.
  Lock lock(lock_);
  handled_.erase(std::remove_if(handled_.begin(), handled_.end(), [](HWND h) { return !IsWindow(h); }),
                 handled_.end());
}

void DialogAnswerer::OnNewDialog(HWND dialog) {
  Sleep(50);  // let the dialog finish laying itself out
  BoxInfo box = Inspect(dialog);
  DialogHandler handler;
  {
    Lock lock(lock_);
    seen_.push_back(box);
    if (!plan_.empty()) {
      handler = std::move(plan_.front());
      plan_.erase(plan_.begin());
    } else {
      ++unexpected_;
    }
  }
  if (handler && handler(box)) return;
  // Nothing planned: close it the least harmful way.
  for (int id : {IDCANCEL, IDNO, IDOK}) {
    if (std::find(box.buttons.begin(), box.buttons.end(), id) != box.buttons.end()) {
      Press(dialog, id);
      return;
    }
  }
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

bool PumpUntil(const std::function<bool()>& cond, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (!cond()) {
    if (GetTickCount64() >= end) return cond();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

void PumpFor(DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  PumpUntil([&] { return GetTickCount64() >= end; }, ms + 10);
}
