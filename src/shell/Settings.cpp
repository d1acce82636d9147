#include "shell/Settings.h"

#include "platform/RegistryKey.h"

namespace shell {
namespace {

// Below HKEY_CURRENT_USER: the store, the application's key, its section; the setting is a string value.
constexpr wchar_t kSectionPath[] = L"Software\\VB and VBA Program Settings\\VeskOCXInstall\\LocSettings";
constexpr wchar_t kAssociateMsg[] = L"AssociateMsg";

}  // namespace

bool AssociationQuestionSilenced() { return ReadRegistryString(HKEY_CURRENT_USER, kSectionPath, kAssociateMsg) == L"1"; }

void SilenceAssociationQuestion() {
  // A store that cannot be written keeps what it had; the setting only saves a question.
  (void)RegistryKey::Create(HKEY_CURRENT_USER, kSectionPath, KEY_SET_VALUE).WriteString(kAssociateMsg, L"1");
}

}  // namespace shell
