#pragma once
// Answers the modal message boxes and dialogs that a program shows during a test, so that no test
// hangs, and records what each one showed. A background thread watches the visible top-level
// dialogs (class #32770) of one process: each new one is recorded and handed to the next planned
// answer; one that nothing was planned for is closed (Cancel, No or OK) and counted as unexpected.
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include <windows.h>

struct BoxInfo {
  HWND hwnd = nullptr, owner = nullptr;
  std::wstring caption, text;  // text: the texts of its visible static controls, one a line
};

// A planned answer: returns true when it handled the dialog (pressed a button, closed it).
using DialogHandler = std::function<bool(const BoxInfo& box)>;

// Under a CPU emulator (the 32-bit build on a machine whose kernel runs no 32-bit programs;
// tools/wine-run.sh sets VESK_EMULATED_CPU) processes start in seconds and faults arrive under
// another code. Every bounded wait of the tests is stretched by Slowness() (1 natively, 4 there);
// NoteEmulated says on standard output what a test accepted for that reason alone.
unsigned Slowness();
bool Emulated();
void NoteEmulated(const std::string& what);

// Pumps this thread's messages until cond() holds or timeoutMs (stretched) passed; returns cond().
bool PumpUntil(const std::function<bool()>& cond, DWORD timeoutMs);

class DialogAnswerer {
 public:
  explicit DialogAnswerer(DWORD processId = GetCurrentProcessId());
  ~DialogAnswerer();
  void Answer(int buttonId) { Handle([=](const BoxInfo& box) { return Press(box.hwnd, buttonId), true; }); }
  void Handle(DialogHandler handler) { std::lock_guard l(lock_); plan_.push_back(std::move(handler)); }
  std::vector<BoxInfo> Seen() const { std::lock_guard l(lock_); return seen_; }
  size_t SeenCount() const { return Seen().size(); }
  size_t Unexpected() const { std::lock_guard l(lock_); return unexpected_; }
  static void Press(HWND dialog, int buttonId);  // as a click on the button does

 private:
  static DWORD WINAPI Watch(void* self);
  void Poll();

  const DWORD processId_;
  mutable std::mutex lock_;
  std::vector<DialogHandler> plan_;
  std::vector<BoxInfo> seen_;
  std::vector<HWND> handled_;
  size_t unexpected_ = 0;
  HANDLE stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE thread_;  // last: it starts watching once everything else is in place
};
