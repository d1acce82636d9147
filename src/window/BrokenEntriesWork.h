#pragma once
// The Broken Entries dialog's work on a thread of its own, so that the dialog answers throughout:
// the whole list's check, and the removal of the chosen entries. It reports to the dialog with
// posted messages for as long as the dialog wants them; the dialog may go first.
#include <atomic>
#include <memory>
#include <vector>

#include <windows.h>

#include "games/EntryCheck.h"
#include "platform/Outcome.h"

struct BrokenEntriesWork {
  static constexpr UINT kProgressMessage = WM_APP + 1;  // wParam entries checked, lParam of how many
  static constexpr UINT kCheckedMessage = WM_APP + 2;   // found holds the broken entries
  static constexpr UINT kRemovedMessage = WM_APP + 3;   // outcome holds the removal's outcome

  SRWLOCK lock = SRWLOCK_INIT;
  HWND hwnd = nullptr;  // the dialog, while it wants reports
  std::atomic<bool> cancel{false};
  std::vector<games::EntryState> found;
  std::vector<games::EntryState> chosen;
  Outcome outcome;

  // Starts the check, or the removal of chosen, on a thread of its own; false when none could start.
  static bool StartCheck(const std::shared_ptr<BrokenEntriesWork>& work);
  static bool StartRemoval(const std::shared_ptr<BrokenEntriesWork>& work);
  // No more reports; a check stops at its next entry.
  void Detach();
  void Post(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
};
