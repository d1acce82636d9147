#include "shell/Registry.h"

#include "platform/RegistryKey.h"

std::wstring Registry::SectionPath() const {
  return std::wstring(kStoreRoot) + L"\\" + appname_ + L"\\" + section_;
}

void Registry::RegGet() {
  const auto value = RegistryKey::Open(HKEY_CURRENT_USER, SectionPath(), KEY_QUERY_VALUE).ReadText(key_);
  setting_ = value && value->type == REG_SZ ? value->text : std::wstring();
}

void Registry::RegSave() {
  // A store that cannot be written keeps what it had; the setting only saves a question.
  (void)RegistryKey::Create(HKEY_CURRENT_USER, SectionPath(), KEY_SET_VALUE).WriteString(key_, setting_);
}
