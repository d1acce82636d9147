#include "shell/FileAssociation.h"

#include <optional>
#include <vector>

#include "platform/NumberText.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/RegistryKey.h"
#include "platform/RunTimeError.h"
#include "platform/SystemText.h"
#include "shell/AssocText.h"
#include "shell/ClassesView.h"
#include "shell/ErrorOf.h"

namespace shell {

namespace {

constexpr wchar_t kCheckTitle[] = L"DLL/OCX Register";
constexpr REGSAM kAccess = KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

// The writes of one attempt into the user's classes, each step checked, and what it takes to undo
// them: the keys it made and the values it replaced (or added), in the order they were written.
class ClassesWriter {
  static HKEY Root() { return shell::Root(shell::Scope::kUser); }


 public:
  // Creates the key and any missing keys along its path.
  void CreateKey(const std::wstring& path) {
    std::vector<std::wstring> missing;
    for (size_t end = 0; end != std::wstring::npos;) {
      end = path.find(L'\\', end + 1);
      const std::wstring key = path.substr(0, end);
      // Only a key proven absent counts as made here: one that merely refuses to be read stays.
      if (RegistryKey::Open(Root(), shell::PathIn(key), KEY_QUERY_VALUE).Status() == ERROR_FILE_NOT_FOUND)
        missing.push_back(key);
    }
    // Also when the create is refused: the outer keys may have been made before the refusal.
    made_.insert(made_.end(), missing.begin(), missing.end());
    Check(RegistryKey::Create(Root(), shell::PathIn(path), kAccess).Status());
  }

  // Writes the key's default value.
  void WriteDefault(const std::wstring& keyPath, const std::wstring& value) {
    const RegistryKey key = RegistryKey::Open(Root(), shell::PathIn(keyPath), kAccess);
    Check(key.Status());
    replaced_.push_back({keyPath, key.ReadValue(L"")});
    Check(key.WriteString(L"", value));
  }

  // Puts back what was written, the last write first; false when part of it could not be.
  bool TakeBack() {
    bool whole = true;
    for (auto it = replaced_.rbegin(); it != replaced_.rend(); ++it) {
      const RegistryKey key = RegistryKey::Open(Root(), shell::PathIn(it->key), KEY_SET_VALUE);
      const LSTATUS status = it->old ? key.WriteValue(L"", *it->old) : key.DeleteValue(L"");
      whole = whole && (status == ERROR_SUCCESS || (!it->old && status == ERROR_FILE_NOT_FOUND));
    }
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) {
      const LSTATUS status = DeleteRegistryKey(Root(), shell::PathIn(*it));
      whole = whole && (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND);
    }
    replaced_.clear();
    made_.clear();
    return whole;
  }

 private:
  struct Replaced {
    std::wstring key;
    std::optional<RegistryKey::Value> old;  // nothing: there was no value
  };

  // Stops the writing at a step the registry refused.
  static void Check(LSTATUS status) {
    if (status != ERROR_SUCCESS) throw status;
  }

  std::vector<std::wstring> made_;  // outer keys first
  std::vector<Replaced> replaced_;
};

void ShowCheckFailure(bool showMessages, const std::wstring& text) {
  if (showMessages) ShowBox(text, MB_ICONSTOP | MB_OK, kCheckTitle);
}

std::wstring RefusalText(const Refusal& refusal) {
  const std::wstring reason = SystemText(static_cast<DWORD>(refusal.status));
  return L"The association could not be written: " +
         (reason.empty() ? L"error " + DecimalText(refusal.status) : reason) + OutcomeLine(refusal);
}

}  // namespace

std::wstring OutcomeLine(const Refusal& refusal) {
  return refusal.takenBack ? L"\r\nNothing was changed." : L"\r\nPart of what was written could not be taken back.";
}

bool AssociateFile(std::wstring& extension, const std::wstring& fileType, const std::wstring& description,
                   const std::wstring& verb, std::wstring exePath, std::wstring& parameters, bool setIcon,
                   const std::wstring& iconPath, bool showMessages, Refusal* refusal) {
  if (refusal) *refusal = Refusal{};
  ClassesWriter writer;
  try {
    if (!platform::IsPlainFile(exePath)) {
      ShowCheckFailure(showMessages, L"The application path '" + exePath + L"' cannot be found.");
      return false;
    }
    if (HasIllegalChar(extension)) {
      ShowCheckFailure(showMessages,
                       L"The file extension '" + extension + L"' contains an illegal char (\\/:*?<>|\").");
      return false;
    }
    if (!parameters.empty()) parameters = L" " + TrimBlanks(parameters);
    if (extension.empty()) throw RunTimeError{5, L"AssociateFile", L"Invalid procedure call or argument"};
    if (extension.front() != L'.') extension = L"." + extension;

    writer.CreateKey(fileType);
    writer.WriteDefault(fileType, description);
    const std::wstring iconKey = fileType + L"\\DefaultIcon";
    writer.CreateKey(iconKey);
    if (setIcon) writer.WriteDefault(iconKey, TrimBlanks(iconPath.empty() ? exePath + L",0" : iconPath));
    const std::wstring commandKey = fileType + L"\\shell\\" + verb + L"\\command";
    writer.CreateKey(commandKey);
    writer.WriteDefault(commandKey, ShellCommand(exePath, parameters));
    writer.CreateKey(extension);
    writer.WriteDefault(extension, fileType);
    return true;
  } catch (LSTATUS status) {
    // A refused write is no success, and leaves nothing half-written: the caller is told, or the user.
    const Refusal refused{status, writer.TakeBack()};
    if (refusal)
      *refusal = refused;
    else if (showMessages)
      ShowBox(RefusalText(refused), MB_ICONSTOP | MB_OK);
    return false;
  } catch (...) {
    (void)writer.TakeBack();  // a fault half-way leaves nothing half-written either
    if (showMessages)
      ShowBox(L"An error occured while attempting to associate file.\r\n" + ErrorOf(std::current_exception()).Description,
              MB_ICONSTOP | MB_OK);
    return false;
  }
}

}  // namespace shell
