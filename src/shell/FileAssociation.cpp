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
LSTATUS CreateRegKey(const std::wstring& keyName, HKEY root) { return RegistryKey::Create(root, keyName, kAccess).Status(); }

LSTATUS WriteClassesValue(const std::wstring& keyName, const std::wstring& valueName, const std::wstring& value) {
  const RegistryKey key = RegistryKey::Open(HKEY_CLASSES_ROOT, keyName, kAccess);
  return key.IsOpen() ? key.WriteString(valueName, value) : key.Status();
}

// Stops the writing at a step the registry refused.
void Check(LSTATUS status) {
  if (status != ERROR_SUCCESS) throw status;
}

void ShowCheckFailure(bool showMessages, const std::wstring& text) {
  if (showMessages) ShowBox(text, MB_ICONSTOP | MB_OK, kCheckTitle);
}

}  // namespace

bool AssociateFile(std::wstring& extension, const std::wstring& fileType, const std::wstring& description,
                   const std::wstring& verb, std::wstring exePath, std::wstring& parameters, bool setIcon,
                   const std::wstring& iconPath, bool showMessages, LSTATUS* refusal) {
  if (refusal) *refusal = ERROR_SUCCESS;
  try {
    if (!paths::IsPlainFile(exePath)) {
      ShowCheckFailure(showMessages, L"The application path '" + exePath + L"' cannot be found.");
      return false;
    }
    if (AssocText::HasIllegalChar(extension)) {
      ShowCheckFailure(showMessages,
                       L"The file extension '" + extension + L"' contains an illegal char (\\/:*?<>|\").");
      return false;
    }
    if (!parameters.empty()) parameters = L" " + AssocText::TrimBlanks(parameters);
    if (extension.empty()) throw RunTimeError{5, L"AssociateFile", L"Invalid procedure call or argument"};
    if (extension.front() != L'.') extension = L"." + extension;

    Check(CreateRegKey(extension, HKEY_CLASSES_ROOT));
    Check(WriteClassesValue(extension, L"", fileType));
    const std::wstring iconKey = fileType + L"\\DefaultIcon";
    Check(CreateRegKey(iconKey, HKEY_CLASSES_ROOT));
    if (setIcon) {
      const std::wstring icon = iconPath.empty() ? exePath + L",0" : iconPath;
      Check(WriteClassesValue(iconKey, L"", AssocText::TrimBlanks(icon)));
    }
    const std::wstring commandKey = fileType + L"\\shell\\" + verb + L"\\command";
    Check(CreateRegKey(commandKey, HKEY_CLASSES_ROOT));
    Check(WriteClassesValue(fileType, L"", description));
    Check(WriteClassesValue(commandKey, L"", AssocText::ShellCommand(exePath, parameters)));
    return true;
  } catch (LSTATUS status) {
    // A refused write is no success: the caller is told which, or the user is.
    if (refusal)
      *refusal = status;
    else if (showMessages) {
      const std::wstring text = SystemText(static_cast<DWORD>(status));
      ShowBox(L"The association could not be written: " + (text.empty() ? L"error " + std::to_wstring(status) : text),
             MB_ICONSTOP | MB_OK);
    }
    return false;
  } catch (...) {
    if (showMessages)
      ShowBox(L"An error occured while attempting to associate file.\r\n" + ErrorOf(std::current_exception()).Description,
             MB_ICONSTOP | MB_OK);
    return false;
  }
}

}  // namespace file_types
