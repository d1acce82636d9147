#include "shell/FileAssociation.h"

#include <windows.h>

#include "platform/MessageBox.h"
#include "platform/RunTimeError.h"
#include "platform/Paths.h"
#include "shell/AssocText.h"
#include "platform/RegistryKey.h"
#include "platform/SystemText.h"
#include "shell/ErrorOf.h"

namespace file_types {

namespace {

constexpr wchar_t kCheckTitle[] = L"DLL/OCX Register";
constexpr REGSAM kAccess = KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

// Each step hands back the registry's answer; the first refusal ends the writing.
LSTATUS CreateRegKey(const std::wstring& KeyName, HKEY Root) { return RegistryKey::Create(Root, KeyName, kAccess).Status(); }

LSTATUS WriteClassesValue(const std::wstring& KeyName, const std::wstring& ValueName, const std::wstring& Value) {
  const RegistryKey key = RegistryKey::Open(HKEY_CLASSES_ROOT, KeyName, kAccess);
  return key.IsOpen() ? key.WriteString(ValueName, Value) : key.Status();
}

// Stops the writing at a step the registry refused.
void Check(LSTATUS status) {
  if (status != ERROR_SUCCESS) throw status;
}

void ShowCheckFailure(bool ShowMessages, const std::wstring& text) {
  if (ShowMessages) ShowBox(text, MB_ICONSTOP | MB_OK, kCheckTitle);
}

}  // namespace

bool AssociateFile(std::wstring& Extension, const std::wstring& FileType, const std::wstring& Description,
                   const std::wstring& Verb, std::wstring ExePath, std::wstring& Parameters, bool SetIcon,
                   const std::wstring& IconPath, bool ShowMessages, LSTATUS* refusal) {
  if (refusal) *refusal = ERROR_SUCCESS;
  try {
    if (!paths::IsPlainFile(ExePath)) {
      ShowCheckFailure(ShowMessages, L"The application path '" + ExePath + L"' cannot be found.");
      return false;
    }
    if (AssocText::HasIllegalChar(Extension)) {
      ShowCheckFailure(ShowMessages,
                       L"The file extension '" + Extension + L"' contains an illegal char (\\/:*?<>|\").");
      return false;
    }
    if (!Parameters.empty()) Parameters = L" " + AssocText::TrimBlanks(Parameters);
    if (Extension.empty()) throw RunTimeError{5, L"AssociateFile", L"Invalid procedure call or argument"};
    if (Extension.front() != L'.') Extension = L"." + Extension;

    Check(CreateRegKey(Extension, HKEY_CLASSES_ROOT));
    Check(WriteClassesValue(Extension, L"", FileType));
    const std::wstring iconKey = FileType + L"\\DefaultIcon";
    Check(CreateRegKey(iconKey, HKEY_CLASSES_ROOT));
    if (SetIcon) {
      const std::wstring icon = IconPath.empty() ? ExePath + L",0" : IconPath;
      Check(WriteClassesValue(iconKey, L"", AssocText::TrimBlanks(icon)));
    }
    const std::wstring commandKey = FileType + L"\\shell\\" + Verb + L"\\command";
    Check(CreateRegKey(commandKey, HKEY_CLASSES_ROOT));
    Check(WriteClassesValue(FileType, L"", Description));
    Check(WriteClassesValue(commandKey, L"", AssocText::ShellCommand(ExePath, Parameters)));
    return true;
  } catch (LSTATUS status) {
    // A refused write is no success: the caller is told which, or the user is.
    if (refusal)
      *refusal = status;
    else if (ShowMessages) {
      const std::wstring text = SystemText(static_cast<DWORD>(status));
      ShowBox(L"The association could not be written: " + (text.empty() ? L"error " + std::to_wstring(status) : text),
             MB_ICONSTOP | MB_OK);
    }
    return false;
  } catch (...) {
    if (ShowMessages)
      ShowBox(L"An error occured while attempting to associate file.\r\n" + ErrorOf(std::current_exception()).Description,
             MB_ICONSTOP | MB_OK);
    return false;
  }
}

}  // namespace file_types
