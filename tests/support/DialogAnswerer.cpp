#include "DialogAnswerer.h"

#include <cstdio>

#include <algorithm>

namespace {

// W messages: they also read the controls of another process correctly.
std::wstring TextOf(HWND hwnd) {
  std::wstring text(static_cast<size_t>(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
  text.resize(static_cast<size_t>(SendMessageW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

BoxInfo Inspect(HWND dialog) {
  BoxInfo box{dialog, GetWindow(dialog, GW_OWNER), TextOf(dialog)};
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    if (!IsWindowVisible(child)) continue;
    if (_wcsicmp(name, L"Static") == 0 && (style & SS_TYPEMASK) != SS_ICON)
      box.text += (box.text.empty() ? L"" : L"\n") + TextOf(child);
  }
  return box;
}

}  // namespace

DialogAnswerer::DialogAnswerer(DWORD processId)
    : processId_(processId), thread_(CreateThread(nullptr, 0, &DialogAnswerer::Watch, this, 0, nullptr)) {}

DialogAnswerer::~DialogAnswerer() {
  SetEvent(stop_);
  WaitForSingleObject(thread_, 5000);
  CloseHandle(thread_), CloseHandle(stop_);
}

DWORD WINAPI DialogAnswerer::Watch(void* self) {
  auto* answerer = static_cast<DialogAnswerer*>(self);
  while (WaitForSingleObject(answerer->stop_, 20) == WAIT_TIMEOUT) answerer->Poll();
  return 0;
}

void DialogAnswerer::Press(HWND dialog, int buttonId) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, buttonId)));
}

void DialogAnswerer::Poll() {
  std::unique_lock lock(lock_);
  std::erase_if(handled_, [](HWND h) { return !IsWindow(h); });  // a later dialog may get the same handle
  for (HWND dialog = nullptr; (dialog = FindWindowExW(nullptr, dialog, L"#32770", nullptr)) != nullptr;) {
    DWORD pid = 0;
    GetWindowThreadProcessId(dialog, &pid);
    if (pid != processId_ || !IsWindowVisible(dialog) || std::count(handled_.begin(), handled_.end(), dialog)) continue;
    handled_.push_back(dialog);
    lock.unlock();
    Sleep(50);  // lets the dialog finish laying itself out
    const BoxInfo box = Inspect(dialog);
    lock.lock();
    seen_.push_back(box);
    DialogHandler handler = plan_.empty() ? nullptr : std::move(plan_.front());
    unexpected_ += handler ? 0 : 1;
    if (handler) plan_.erase(plan_.begin());
    lock.unlock();
    if (!handler || !handler(box))  // nothing planned: closed the least harmful way it offers
      for (int id : {IDCANCEL, IDNO, IDOK}) Press(dialog, id);
    lock.lock();
  }
}

bool Emulated() { return GetEnvironmentVariableW(L"VESK_EMULATED_CPU", nullptr, 0) > 0; }

unsigned Slowness() { return Emulated() ? 4 : 1; }

void NoteEmulated(const std::string& what) {
  std::printf("NOTE (CPU emulator): %s\n", what.c_str());
  std::fflush(stdout);
  wchar_t notes[MAX_PATH];  // tools/test.sh collects the notes of a whole run in one file
  const DWORD n = GetEnvironmentVariableW(L"VESK_NOTES_FILE", notes, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  if (FILE* file = _wfopen(notes, L"ab")) {
    std::fprintf(file, "%s\n", what.c_str());
    std::fclose(file);
  }
}

bool PumpUntil(const std::function<bool()>& cond, DWORD timeoutMs) {
  for (const ULONGLONG end = GetTickCount64() + ULONGLONG(timeoutMs) * Slowness(); !cond();) {
    if (GetTickCount64() >= end) return cond();
    for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}
