// The Games list store: filling the list box from the registry, and removing an entry together with
// the COM registration of its head.
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "app/MsgBox.h"
#include "app/frmMain.h"
#include "games/GameIds.h"
#include "games/GamesList.h"
#include "games/RunTimeFault.h"
#include "games/modRegistry.h"

namespace {

// The list exists only below a vendor key spelled exactly "Ubique" (the registry itself would also
// accept other spellings).
bool VendorKeyPresent() {
  const auto vendors = modRegistry::ListRegSubKeys(GamesList::kRoot, GamesList::kVendorsKey);
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

void DeleteEntry(const std::wstring& name) {
  // An empty name would name the whole list.
  if (!name.empty()) modRegistry::DeleteRegKey(GamesList::kRoot, GamesList::EntryKey(name));
}

// The family members of a valid class id; the second class id is missing when its digits would
// pass FF, the others when theirs would fall below 00.
struct IdFamily {
  std::wstring classId;
  std::optional<std::wstring> secondClassId, firstInterfaceId, secondInterfaceId, typeLibId;
};

IdFamily FamilyOf(const std::wstring& classId) {
  using namespace GameIds;
  return {classId, FamilyMember(classId, kSecondClassId), FamilyMember(classId, kFirstInterfaceId),
          FamilyMember(classId, kSecondInterfaceId), FamilyMember(classId, kTypeLibId)};
}

// Deletes prefix + id when the member exists, so that no path ever ends right after the prefix.
void DeleteMember(HKEY root, const wchar_t* prefix, const std::optional<std::wstring>& id) {
  if (id) modRegistry::DeleteRegKey(root, prefix + *id);
}

// Removes the head's registration as far as its family can be trusted: only when the class names
// the derived type library are the interface and type library keys its own, and the class keys go
// too only when the head file box shows the class's server.
void RemoveRegistration(const IdFamily& ids, const std::wstring& fileBoxText) {
  const std::wstring server = modRegistry::ReadRegString(HKEY_CLASSES_ROOT, GamesList::ServerKey(ids.classId), L"");
  const std::wstring typeLib =
      modRegistry::ReadRegString(HKEY_CLASSES_ROOT, L"CLSID\\" + ids.classId + L"\\TypeLib", L"");
  if (!ids.typeLibId || *ids.typeLibId != typeLib) {
    modRegistry::DeleteRegKey(HKEY_CLASSES_ROOT, L"CLSID\\" + ids.classId);
    return;
  }
  if (fileBoxText == server) {
    modRegistry::DeleteRegKey(HKEY_CLASSES_ROOT, L"CLSID\\" + ids.classId);
    DeleteMember(HKEY_CLASSES_ROOT, L"CLSID\\", ids.secondClassId);
  }
  DeleteMember(HKEY_LOCAL_MACHINE, L"Software\\CLASSES\\Interface\\", ids.firstInterfaceId);
  DeleteMember(HKEY_LOCAL_MACHINE, L"Software\\CLASSES\\Interface\\", ids.secondInterfaceId);
  DeleteMember(HKEY_LOCAL_MACHINE, L"Software\\CLASSES\\TypeLib\\", ids.typeLibId);
  DeleteMember(HKEY_CLASSES_ROOT, L"Interface\\", ids.firstInterfaceId);
  DeleteMember(HKEY_CLASSES_ROOT, L"Interface\\", ids.secondInterfaceId);
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
        if (const auto names = modRegistry::ListRegSubKeys(GamesList::kRoot, GamesList::kListKey))
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

void frmMain::RemoveGame(const std::wstring& strClassID) {
  DeleteEntry(ListText());
  // A text that is not a class id could name an unrelated key: then only the entry goes.
  if (GameIds::IsClassIdText(strClassID)) RemoveRegistration(FamilyOf(strClassID), FileBoxText());
  EnableTimer1();
}
