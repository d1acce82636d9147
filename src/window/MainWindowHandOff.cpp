// The main window's side of the single instance: hand-offs from second starts (taken, kept for later
// or refused), giving way to an instance restarted as administrator, closing, and the waits during
// which the window goes on answering.
#include <optional>

#include "window/MainWindow.h"
#include "window/Startup.h"
#include "platform/GamesChangedNotice.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/SystemFunctions.h"

namespace {

constexpr wchar_t kRefusedHandOffLine[] = L"A path handed over by a program with lower rights was not taken.";
constexpr wchar_t kConsentStillAsked[] =
    L"Windows is still asking whether the installer may restart as administrator. Close anyway?";

// Keys, mouse buttons and moves, on the client area or the frame.
bool IsUserInput(UINT msg) {
  return (msg >= WM_KEYFIRST && msg <= WM_KEYLAST) || (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) ||
         (msg >= WM_NCMOUSEMOVE && msg <= WM_NCXBUTTONDBLCLK) || msg == WM_NCMOUSEHOVER || msg == WM_NCMOUSELEAVE ||
         msg == WM_MOUSEHOVER || msg == WM_MOUSELEAVE;
}

// What the window takes while the system asks for consent: it can be moved (pressed on its
// background), minimised and closed (the marks, Alt+F4 and the system menu), nothing else.
bool MovesOrCloses(const MSG& msg) {
  const HWND main = GetAncestor(msg.hwnd, GA_ROOT);
  if (msg.message >= WM_SYSKEYDOWN && msg.message <= WM_SYSDEADCHAR) return true;
  const bool leftOrMove = msg.message == WM_LBUTTONDOWN || msg.message == WM_LBUTTONUP ||
                          msg.message == WM_MOUSEMOVE || (msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCLBUTTONDBLCLK);
  if (!leftOrMove) return false;
  const int id = GetDlgCtrlID(msg.hwnd);
  return msg.hwnd == main || (GetParent(msg.hwnd) == main && (id == kCloseMark || id == kMinimiseMark));
}

}  // namespace

void MainWindow::OnCopyData(LPARAM copyData) {
  // A command line changed the registry: any process may ask for the list to be read again.
  if (IsGamesChangedNotice(copyData)) RequestListRefresh();
  if (!window::IsHandOff(copyData)) return;
  // Sent from this thread, or with the proof that only a process of this session of at least
  // medium integrity can read.
  const bool proven = window::CarriesProof(copyData);
  if (!proven && InSendMessage()) {
    AppendPanelLine(kRefusedHandOffLine);
    return;
  }
  ReceiveHandOff(window::HandOffPath(copyData, proven));
}

void MainWindow::ReceiveHeadPath(const std::wstring& path) {
  std::wstring longPath;
  try {
    longPath = platform::HeadPathOf(path);
    SetHeadFileText(longPath);
  } catch (...) {
    // A fault ends the operation without a word.
  }
  window::NotifyHeadPath(longPath);
}

void MainWindow::ReceiveHandOff(const std::optional<std::wstring>& path) {
  if (successor_) {
    window::SendHandOff(successor_, path.value_or(L""));
    return;
  }
  ComeForward();
  if (!path) return;
  if (TakesHandOffs())
    ReceiveHeadPath(*path);
  else
    pendingHandOffs_.push_back(*path);
}

bool MainWindow::TakesHandOffs() const {
  // A modal box or dialog of the window's disables it while it is open.
  return ready_ && !waiting_ && hwnd_ && IsWindowEnabled(hwnd_);
}

namespace {

BOOL CALLBACK FindOtherVisible(HWND hwnd, LPARAM found) {
  auto& window = *reinterpret_cast<HWND*>(found);
  if (hwnd == window || !IsWindowVisible(hwnd)) return TRUE;
  window = hwnd;
  return FALSE;
}

}  // namespace

void MainWindow::ComeForward() {
  if (!hwnd_) return;
  HWND front = hwnd_;
  if (ready_) {
    if (IsIconic(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
    SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    front = GetLastActivePopup(hwnd_);  // a box or dialog the window waits for, else the window
  } else {
    // Still loading, the start-up question open: the question comes forward, the window stays hidden.
    EnumThreadWindows(GetCurrentThreadId(), &FindOtherVisible, reinterpret_cast<LPARAM>(&front));
    if (front == hwnd_) return;
  }
  SetForegroundWindow(front);
}

void MainWindow::RunDeferred() {
  if (waiting_ || !hwnd_) return;
  if (closeRequested_) {
    closeRequested_ = false;
    Close();
    return;
  }
  if (!TakesHandOffs()) return;
  const std::vector<std::wstring> paths = std::move(pendingHandOffs_);
  pendingHandOffs_.clear();
  for (const std::wstring& path : paths) ReceiveHeadPath(path);
}

void MainWindow::Close() {
  if (consentAsked_) {
    // The system's question stays open; a restart the user consents to later still comes.
    if (ShowBox(kConsentStillAsked, MB_YESNO | MB_ICONQUESTION) == IDYES) closeRequested_ = stopWaiting_ = true;
    return;
  }
  if (waiting_) {
    closeRequested_ = true;  // once the head has ended
    return;
  }
  if (registrar_.EndLateWorkers(L"close")) Unload();
}

bool MainWindow::ReadyToGiveWay() { return registrar_.EndLateWorkers(L"close"); }

void MainWindow::GiveWay(HWND successor) {
  successor_ = successor;
  for (const std::wstring& path : pendingHandOffs_) window::SendHandOff(successor, path);
  pendingHandOffs_.clear();
  if (hwnd_) PostMessageW(hwnd_, kGiveWayMessage, 0, 0);
}

// ---------------------------------------------------------------- waiting

bool MainWindow::WaitAnswering(const std::vector<HANDLE>& objects, DWORD limitMs) {
  return Wait(objects.data(), static_cast<DWORD>(objects.size()), limitMs, false);
}

bool MainWindow::WaitForConsent(HANDLE request) {
  consentAsked_ = true;
  stopWaiting_ = false;
  const bool answered = Wait(&request, 1, INFINITE, true);
  consentAsked_ = stopWaiting_ = false;
  return answered;
}

bool MainWindow::Wait(const HANDLE* objects, DWORD count, DWORD limitMs, bool movable) {
  waiting_ = true;
  const ULONGLONG deadline = GetTickCount64() + limitMs;
  bool signalled = false;
  std::optional<WPARAM> quit;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    const DWORD left = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
    const DWORD woke = MsgWaitForMultipleObjectsEx(count, objects, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke < WAIT_OBJECT_0 + count) {
      signalled = true;
      break;
    }
    if (woke != WAIT_OBJECT_0 + count || stopWaiting_) break;  // the time is up, the wait failed or ended
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = msg.wParam;
        continue;
      }
      if (IsUserInput(msg.message) && !(movable && MovesOrCloses(msg))) continue;
      if (msg.message == WM_DROPFILES) {
        platform::DragFinish(reinterpret_cast<HDROP>(msg.wParam));
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  waiting_ = false;
  if (quit) PostQuitMessage(static_cast<int>(*quit));
  if (hwnd_ && (closeRequested_ || !pendingHandOffs_.empty())) PostMessageW(hwnd_, kRunDeferredMessage, 0, 0);
  return signalled;
}
