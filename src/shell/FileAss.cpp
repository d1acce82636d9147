#include "shell/FileAss.h"

#include <windows.h>

#include "app/MsgBox.h"
#include "app/RunTimeError.h"
#include "app/modInstaller.h"
#include "shell/AssocText.h"
#include "platform/RegistryKey.h"
#include "shell/ErrorOf.h"

namespace FileAss {

namespace {

constexpr wchar_t kCheckTitle[] = L"DLL/OCX Register";
constexpr REGSAM kAccess = KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

// The writes' results are not looked at here: a refused write leaves that value missing.
void CreateRegKey(const std::wstring& KeyName, HKEY Root) { (void)RegistryKey::Create(Root, KeyName, kAccess); }

void WriteClassesValue(const std::wstring& KeyName, const std::wstring& ValueName, const std::wstring& Value) {
  (void)RegistryKey::Open(HKEY_CLASSES_ROOT, KeyName, kAccess).WriteString(ValueName, Value);
}

void ShowCheckFailure(bool ShowMessages, const std::wstring& text) {
  if (ShowMessages) MsgBox(text, MB_ICONSTOP | MB_OK, kCheckTitle);
}

}  // namespace

bool AssociateFile(std::wstring& Extension, const std::wstring& FileType, const std::wstring& Description,
                   const std::wstring& Verb, std::wstring ExePath, std::wstring& Parameters, bool SetIcon,
                   const std::wstring& IconPath, bool ShowMessages) {
  try {
    if (!modInstaller::FileProbe(ExePath)) {
      ShowCheckFailure(ShowMessages, L"The application path '" + ExePath + L"' cannot be found.");
      return false;
    }
    if (AssocText::HasIllegalChar(Extension)) {
      ShowCheckFailure(ShowMessages,
                       L"The file extension '" + Extension + L"' contains an illegal char (\\/:*?<>|\").");
      return false;
    }
    if (!Parameters.empty()) Parameters = L" " + AssocText::TrimBlanks(Parameters);
    if (Extension.empty()) throw RunTimeError{5, L"FileAss", L"Invalid procedure call or argument"};
    if (Extension.front() != L'.') Extension = L"." + Extension;

    CreateRegKey(Extension, HKEY_CLASSES_ROOT);
    WriteClassesValue(Extension, L"", FileType);
    const std::wstring iconKey = FileType + L"\\DefaultIcon";
    CreateRegKey(iconKey, HKEY_CLASSES_ROOT);
    if (SetIcon) {
      const std::wstring icon = IconPath.empty() ? ExePath + L",0" : IconPath;
      WriteClassesValue(iconKey, L"", AssocText::TrimBlanks(icon));
    }
    const std::wstring commandKey = FileType + L"\\shell\\" + Verb + L"\\command";
    CreateRegKey(commandKey, HKEY_CLASSES_ROOT);
    WriteClassesValue(FileType, L"", Description);
    WriteClassesValue(commandKey, L"", AssocText::ShellCommand(ExePath, Parameters));
    return true;
  } catch (...) {
    if (ShowMessages)
      MsgBox(L"An error occured while attempting to associate file.\r\n" + ErrorOf(std::current_exception()).Description,
             MB_ICONSTOP | MB_OK);
    return false;
  }
}

}  // namespace FileAss
