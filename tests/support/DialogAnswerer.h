#pragma once
// Answers the modal message boxes and dialogs that a program shows during a test, so that no test
// hangs, and records what each one showed: caption, text, icon and buttons.
//
// A background thread watches the top-level dialog windows (class #32770) of one process. Each new
// one is recorded and handed to the next planned answer; a box for which nothing was planned is
// answered with Cancel (or No, or OK) and counted as unexpected.
#include <functional>
#include <string>
#include <vector>

#include <windows.h>

enum class BoxIcon { None, Exclamation, Stop, Question, Information, Other };

struct BoxInfo {
  HWND hwnd = nullptr;
  std::wstring caption;
  std::wstring text;
  BoxIcon icon = BoxIcon::None;
  std::vector<int> buttons;  // control ids of the push buttons, in z-order (IDOK, IDYES, ...)
  std::wstring className;
};

// A planned answer: returns true when it handled the dialog (pressed a button, closed it).
using DialogHandler = std::function<bool(const BoxInfo& box)>;

class DialogAnswerer {
 public:
  explicit DialogAnswerer(DWORD processId = GetCurrentProcessId());
  ~DialogAnswerer();
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;

  // Plans to press the button with this id on the next dialog.
  void Answer(int buttonId);
  // Plans a handler of its own for the next dialog (for dialogs with more than buttons).
  void Handle(DialogHandler handler);

  std::vector<BoxInfo> Seen() const;
  size_t SeenCount() const;
  size_t Unexpected() const;
  size_t Pending() const;  // planned answers not used yet

  // Waits (pumping this thread's messages) until count dialogs were seen, at most timeoutMs.
  bool WaitForSeen(size_t count, DWORD timeoutMs) const;

  // Presses a button of a dialog by control id, as a click does.
  static void Press(HWND dialog, int buttonId);
  static BoxInfo Inspect(HWND dialog);

 private:
  static DWORD WINAPI ThreadMain(void* self);
  void Poll();
  void OnNewDialog(HWND dialog);

  DWORD processId_;
  HANDLE thread_ = nullptr;
  HANDLE stop_ = nullptr;
  mutable CRITICAL_SECTION lock_;
  std::vector<DialogHandler> plan_;
  std::vector<BoxInfo> seen_;
  std::vector<HWND> handled_;
  size_t unexpected_ = 0;
};

const char* IconName(BoxIcon icon);

// Pumps this thread's messages until cond() holds or timeoutMs passed; returns cond().
bool PumpUntil(const std::function<bool()>& cond, DWORD timeoutMs);
// Pumps this thread's messages for about ms milliseconds.
void PumpFor(DWORD ms);
