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
#include "shell/ErrorOf.h"
#include "shell/FileAssociation.h"

namespace association {

namespace {

constexpr wchar_t kExtension[] = L".ocx";
constexpr wchar_t kFileType[] = L"OCX_FileType";
constexpr wchar_t kStandardFileType[] = L"ocxfile";
constexpr wchar_t kCommandKey[] = L"OCX_FileType\\shell\\Register/Unregister\\command";
constexpr wchar_t kIconKey[] = L"OCX_FileType\\DefaultIcon";

std::wstring OcxFileType() { return ReadRegistryString(HKEY_CLASSES_ROOT, kExtension, L""); }

// The folder of the executable as the system reports it: no trailing backslash, except for the
// root folder of a drive ("C:\").
std::wstring FolderAsReported() {
  std::wstring folder = paths::ProgramFolder();
  const bool driveRoot = folder.size() == 3 && folder[1] == L':';
  if (!driveRoot) folder.pop_back();
  return folder;
}

}  // namespace

bool IsOcxAssociated(std::wstring& path) {
  try {
    if (OcxFileType() != kFileType) return false;
    const std::wstring command = ReadRegistryString(HKEY_CLASSES_ROOT, kCommandKey, L"");
    const std::wstring program = paths::LongPath(AssocText::CommandPath(command));
    path = paths::LongPath(path);
    // A file type left half-written (without its text or icon) is no association: Options offers
    // to write it whole.
    const bool whole = !ReadRegistryString(HKEY_CLASSES_ROOT, kFileType, L"").empty() &&
                       !ReadRegistryString(HKEY_CLASSES_ROOT, kIconKey, L"").empty();
    return whole && CompareStringOrdinal(program.c_str(), -1, path.c_str(), -1, TRUE) == CSTR_EQUAL;
  } catch (...) {
    const RunTimeError err = ErrorOf(std::current_exception());
    ShowBox(DecimalText(err.Number) + L"\r\n" + err.Description, MB_OK);
    return false;
  }
}

bool RemoveOcxAssociation() {
  try {
    if (OcxFileType() != kFileType) return false;
    const LSTATUS status = RegistryKey::Open(HKEY_CLASSES_ROOT, kExtension, KEY_SET_VALUE).WriteString(L"", kStandardFileType);
    if (status != ERROR_SUCCESS) {
      if (status == ERROR_ACCESS_DENIED)
        elevation::OfferRestart(L"Removing the .ocx association needs administrator rights.", L"");
      return false;
    }
    NotifyAssociationChanged();
    return true;
  } catch (...) {
    return false;  // a failed removal is silent: no association change to announce
  }
}

void NotifyAssociationChanged() { system_functions::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); }

bool AssociateOcx(const std::wstring& exePath) {
  std::wstring extension = kExtension;
  std::wstring parameters;
  file_types::Refusal refusal;
  if (!file_types::AssociateFile(extension, kFileType, L"Active X Control", L"Register/Unregister", exePath,
                                 parameters, true, exePath + L",0", true, &refusal)) {
    const std::wstring outcome = file_types::OutcomeLine(refusal);
    if (refusal.status == ERROR_ACCESS_DENIED)
      elevation::OfferRestart(L"Associating .ocx files with the installer needs administrator rights." + outcome, L"");
    else if (refusal.status != ERROR_SUCCESS)
      ShowBox(L"The association could not be written (error " + DecimalText(refusal.status) + L")." + outcome,
              MB_ICONSTOP | MB_OK);
    return false;
  }
  NotifyAssociationChanged();
  return true;
}

std::wstring StartupExePath() { return paths::ProgramPath(); }

std::wstring OptionsLoadExePath() { return paths::ProgramFolder() + L"\\" + paths::ProgramName() + L".exe"; }

std::wstring OptionsOkExePath() { return FolderAsReported() + L"\\" + paths::ProgramName() + L".exe"; }

}  // namespace association
