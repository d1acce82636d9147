#include "shell/FileAss.h"

#include <windows.h>

#include "app/MsgBox.h"
#include "app/RunTimeError.h"
#include "app/modInstaller.h"
#include "shell/AssocText.h"
#include "shell/ErrorOf.h"

namespace FileAss {

namespace {

constexpr wchar_t kCheckTitle[] = L"DLL/OCX Register";
constexpr REGSAM kAccess = 63;  // query, set, create sub-key, enumerate, notify, create link

void CreateRegKey(const std::wstring& KeyName, HKEY Root) {
  HKEY key = nullptr;
  RegCreateKeyExW(Root, KeyName.c_str(), 0, nullptr, 0, kAccess, nullptr, &key, nullptr);
  RegCloseKey(key);
}

LONG SetStringValue(HKEY Handle, const std::wstring& ValueName, const std::wstring& Value) {
  // c_str() adds the one NUL that the length counts.
  return RegSetValueExW(Handle, ValueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()),
                        static_cast<DWORD>((Value.size() + 1) * sizeof(wchar_t)));
}

void WriteClassesValue(const std::wstring& KeyName, const std::wstring& ValueName, const std::wstring& Value) {
  HKEY key = nullptr;
  RegOpenKeyExW(HKEY_CLASSES_ROOT, KeyName.c_str(), 0, kAccess, &key);
  SetStringValue(key, ValueName, Value);
  RegCloseKey(key);
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
