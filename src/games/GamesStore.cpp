// The Games list store: filling the list box from the registry, and removing an entry together with
// the COM registration of its head.
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "app/Elevation.h"
#include "app/MsgBox.h"
#include "app/frmMain.h"
#include "games/GamesList.h"
#include "games/RemovalRule.h"
#include "games/RunTimeFault.h"
#include "games/modRegistry.h"

namespace {

std::optional<std::vector<std::wstring>> SubKeysBelowListRoot(const std::wstring& path) {
  return modRegistry::ListRegSubKeys(modRegistry::RootKey(GamesList::kRoot), path);
}

// The list exists only below a vendor key spelled exactly "Ubique" (the registry itself would also
// accept other spellings).
bool VendorKeyPresent() {
  const auto vendors = SubKeysBelowListRoot(GamesList::kVendorsKey);
  if (!vendors) return false;
  for (const std::wstring& name : *vendors)
    if (name == GamesList::kVendor) return true;
  return false;
}

// Switches a list box's drawing off while it is filled (a list box that redraws on every added
// item is many times slower) and on again, redrawn, when it goes out of scope.
class RedrawOff {
 public:
  explicit RedrawOff(HWND list) : list_(list) { SendMessageW(list_, WM_SETREDRAW, FALSE, 0); }
  ~RedrawOff() {
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
  }
  RedrawOff(const RedrawOff&) = delete;
  RedrawOff& operator=(const RedrawOff&) = delete;

 private:
  HWND list_;
};

// Appends every name to the list box in order; a name the list box cannot take raises error 7.
// The names go straight to the list box's own procedure: the window's hooks on the box have no
// business with them, and under Wine every message that passes such a hook costs two round trips
// to the window server, several times the cost of the whole rest of the load.
void AppendNames(HWND list, const std::vector<std::wstring>& names) {
  const auto ownProc = reinterpret_cast<WNDPROC>(GetClassLongPtrW(list, GCLP_WNDPROC));
  size_t chars = 0;
  for (const std::wstring& name : names) chars += name.size() + 1;
  // A hint only: the list box grows as needed when it cannot reserve the room at once.
  CallWindowProcW(ownProc, list, LB_INITSTORAGE, names.size(), static_cast<LPARAM>(chars * sizeof(wchar_t)));
  for (const std::wstring& name : names) {
    const LRESULT added = CallWindowProcW(ownProc, list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    if (added == LB_ERR || added == LB_ERRSPACE) throw RunTimeFault(7, L"Out of memory");
  }
}

void ShowLoadError(const RunTimeError& err) {
  MsgBox(L"Error #" + std::to_wstring(err.Number) + L" with :" + err.Source + L"\r\n" + err.Description, MB_OK);
}

}  // namespace

void frmMain::LoadGames() {
  std::optional<RunTimeError> failure;
  {
    RedrawOff quiet(lstGames_);
    try {
      ListClear();
      // A missing vendor key, list key or an empty list leaves the list box empty without a word.
      if (VendorKeyPresent()) {
        if (const auto names = SubKeysBelowListRoot(GamesList::kListKey))
          AppendNames(lstGames_, *names);
      }
    } catch (const RunTimeFault& fault) {
      failure = fault.Error();
    } catch (const std::bad_alloc&) {
      failure = RunTimeError{7, kErrorSource, L"Out of memory"};
    }
  }
  // Shown once the list box draws again; the names appended before the error stay.
  if (failure) ShowLoadError(*failure);
}

void frmMain::RemoveGame(const std::wstring& entryName, const std::wstring& classId) {
  // Planned whole before the first key goes: each check reads the registry as the head left it.
  const modRegistry::LiveFacts registry;
  const bool allowed = modRegistry::DeleteKeys(RemovalRule::PlanRemoval(registry, {entryName, classId, FileBoxText()}));
  EnableTimer1();
  if (!allowed) elevation::OfferRestart(L"Removing \"" + entryName + L"\" needs administrator rights.", FileBoxText());
}
