#pragma once
// The user's saved preferences: an application name, a section and a key address one text value
// in the per-user settings store. An absent value reads as empty.
#include <string>

// The program's one saved setting: "1" under this key means "do not ask about the association".
inline constexpr wchar_t kSettingsApp[] = L"VeskOCXInstall";
inline constexpr wchar_t kSettingsSection[] = L"LocSettings";
inline constexpr wchar_t kAssociateMsg[] = L"AssociateMsg";

class Registry {
 public:
  // Where the per-user settings live, below HKEY_CURRENT_USER: one key per application name,
  // one per section below it, the setting a string value named by the key.
  static constexpr wchar_t kStoreRoot[] = L"Software\\VB and VBA Program Settings";

  const std::wstring& Appname() const { return appname_; }
  void Appname(const std::wstring& sAppName) { appname_ = sAppName; }
  const std::wstring& Section() const { return section_; }
  void Section(const std::wstring& sSection) { section_ = sSection; }
  const std::wstring& Key() const { return key_; }
  void Key(const std::wstring& sKey) { key_ = sKey; }
  const std::wstring& Setting() const { return setting_; }
  void Setting(const std::wstring& sSetting) { setting_ = sSetting; }

  void RegGet();
  void RegSave();

 private:
  std::wstring SectionPath() const;

  std::wstring appname_;
  std::wstring section_;
  std::wstring key_;
  std::wstring setting_;
};
