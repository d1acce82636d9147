#include "shell/Registry.h"

#include <windows.h>

#include "app/AnsiText.h"

std::string Registry::SectionPath() const {
  return std::string(kStoreRoot) + "\\" + ToAnsi(appname_) + "\\" + ToAnsi(section_);
}

void Registry::RegGet() {
  setting_.clear();
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, SectionPath().c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
  const std::string name = ToAnsi(key_);
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ) {
    std::string data(size, '\0');
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) ==
        ERROR_SUCCESS) {
      data.resize(size);
      if (const auto nul = data.find('\0'); nul != std::string::npos) data.resize(nul);
      setting_ = FromAnsi(data);
    }
  }
  RegCloseKey(key);
}

void Registry::RegSave() {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, SectionPath().c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  const std::string data = ToAnsi(setting_);
  RegSetValueExA(key, ToAnsi(key_).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                 static_cast<DWORD>(data.size() + 1));
  RegCloseKey(key);
}
