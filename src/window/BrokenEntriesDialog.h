#pragma once
// The Broken Entries dialog: checks the whole Games list on a thread of its own, with progress and
// Cancel, lists every broken entry with a tick box (all removable ones ticked, one on a drive that is
// not there never), and removes the ticked ones together.
#include <memory>
#include <optional>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "games/EntryCheck.h"
#include "platform/Outcome.h"

class BrokenEntriesDialog {
 public:
  static constexpr wchar_t kCaption[] = L"Broken Entries";
  // Control ids in tab order; IDCANCEL is Cancel during the check and Close after it.
  static constexpr int kStatusText = 301;
  static constexpr int kEntryList = 302;
  static constexpr int kRemoveButton = 303;

  BrokenEntriesDialog() = default;
  ~BrokenEntriesDialog();
  BrokenEntriesDialog(const BrokenEntriesDialog&) = delete;
  BrokenEntriesDialog& operator=(const BrokenEntriesDialog&) = delete;

  // Shows the dialog modally, centred over owner. The outcome of the removal made, none when the
  // dialog was closed without one.
  std::optional<Outcome> ShowModal(HWND owner);

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  INT_PTR OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void OnInit();
  HWND CreateControl(int id, const wchar_t* windowClass, DWORD style, const wchar_t* text);
  // Places the controls (with the list, or only the text and Close) and sizes the window round them.
  void Layout(bool withList);
  void CentreOverOwner();
  void OnProgress(size_t checked, size_t total);
  void OnChecked();
  void FillList();
  // Whether a change of a list item may happen (no tick for an entry that may not be removed).
  bool AllowChange(const NMLISTVIEW& change) const;
  void OnItemChanged(const NMLISTVIEW& change);
  void OnRemove();
  void Close();

  HWND hwnd_ = nullptr;
  HFONT font_ = nullptr;
  int lineHeight_ = 0;
  std::shared_ptr<struct BrokenEntriesWork> work_;
  std::vector<games::EntryState> broken_;
  size_t ticked_ = 0;
  bool checking_ = false;
  bool removing_ = false;
  std::optional<Outcome> outcome_;
};
