// The .ocx association: its test, its removal, and writing it for this program.
#include "shell/OcxAssociation.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/NumberText.h"
#include "platform/Elevation.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/RegistryKey.h"
#include "platform/SystemFunctions.h"
#include "shell/AssocText.h"
#include "shell/ClassesView.h"
#include "shell/ErrorOf.h"
#include "shell/FileAssociation.h"

namespace shell {

namespace {

constexpr wchar_t kExtension[] = L".ocx";
constexpr wchar_t kFileType[] = L"OCX_FileType";
constexpr wchar_t kStandardFileType[] = L"ocxfile";
constexpr wchar_t kCommandKey[] = L"OCX_FileType\\shell\\Register/Unregister\\command";
constexpr wchar_t kIconKey[] = L"OCX_FileType\\DefaultIcon";


// The folder of the executable as the system reports it: no trailing backslash, except for the
// root folder of a drive ("C:\").
std::wstring FolderAsReported() {
  std::wstring folder = platform::ProgramFolder();
  const bool driveRoot = folder.size() == 3 && folder[1] == L':';
  if (!driveRoot) folder.pop_back();
  return folder;
}

}  // namespace

bool IsOcxAssociated(std::wstring& path) {
  try {
    if (shell::ReadDefault(kExtension) != kFileType) return false;
    const std::wstring command = shell::ReadDefault(kCommandKey);
    const std::wstring program = platform::LongPath(shell::CommandPath(command));
    path = platform::LongPath(path);
    // A file type left half-written (without its text or icon) is no association: Options offers
    // to write it whole.
    const bool whole = !shell::ReadDefault(kFileType).empty() && !shell::ReadDefault(kIconKey).empty();
    return whole && CompareStringOrdinal(program.c_str(), -1, path.c_str(), -1, TRUE) == CSTR_EQUAL;
  } catch (...) {
    const RunTimeError err = ErrorOf(std::current_exception());
    ShowBox(DecimalText(err.Number) + L"\r\n" + err.Description, MB_OK);
    return false;
  }
}

bool RemoveOcxAssociation() {
  try {
    // The user's own, and one that an earlier version wrote for all users.
    bool removed = false;
    for (const shell::Scope scope : {shell::Scope::kUser, shell::Scope::kMachine}) {
      if (shell::ReadDefault(scope, kExtension) != kFileType) continue;
      const LSTATUS status = RegistryKey::Open(shell::Root(scope), shell::PathIn(kExtension), KEY_SET_VALUE)
                                 .WriteString(L"", kStandardFileType);
      removed = removed || status == ERROR_SUCCESS;
      if (status == ERROR_ACCESS_DENIED)
        platform::OfferRestart(L"Removing the .ocx association that an earlier version made for all users needs "
                                L"administrator rights.",
                                L"");
    }
    if (removed) NotifyAssociationChanged();
    return removed;
  } catch (...) {
    return false;  // a failed removal is silent: no association change to announce
  }
}

void NotifyAssociationChanged() { platform::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); }

bool AssociateOcx(const std::wstring& exePath) {
  std::wstring extension = kExtension;
  std::wstring parameters;
  // The user's own classes: a refusal there is no matter of an administrator's rights (and an
  // administrator of another account would write into that account's), so it is only told.
  if (!shell::AssociateFile(extension, kFileType, L"Active X Control", L"Register/Unregister", exePath,
                                 parameters, true, exePath + L",0", true))
    return false;
  NotifyAssociationChanged();
  return true;
}

std::wstring StartupExePath() { return platform::ProgramPath(); }

std::wstring OptionsLoadExePath() { return platform::ProgramFolder() + L"\\" + platform::ProgramName() + L".exe"; }

std::wstring OptionsOkExePath() { return FolderAsReported() + L"\\" + platform::ProgramName() + L".exe"; }

}  // namespace shell
