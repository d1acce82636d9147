#pragma once
// Shared ground of the shell tests: a clean association and settings state in the real registry,
// a dialog answerer, a counter of the shell's association-changed notices, and a watch that tells
// whether anything below the classes root was written.
#include <memory>
#include <string>

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <commctrl.h>

#include "DialogAnswerer.h"
#include "TestEnv.h"
#include "app/AnsiText.h"
#include "shell/modInstaller.h"

namespace shelltest {

inline constexpr char kCommandKey[] = "OCX_FileType\\shell\\Register/Unregister\\command";
inline constexpr char kSettingsKey[] = "Software\\VB and VBA Program Settings\\VeskOCXInstall\\LocSettings";

// This test program's executable path, as start-up builds the program's own.
inline std::wstring ExePathW() { return modInstaller::StartupExePath(); }
inline std::string ExePath() { return ToAnsi(ExePathW()); }

// A default value under the classes root, "<none>" when missing; the saved setting likewise.
inline std::string ClassesValue(const std::string& key) {
  return testenv::GetSz(HKEY_CLASSES_ROOT, key, "").value_or("<none>");
}
inline std::string AssociateMsg() {
  return testenv::GetSz(HKEY_CURRENT_USER, kSettingsKey, "AssociateMsg").value_or("<none>");
}

// Writes an .ocx association by hand: ".ocx" -> fileType, the description and the verb's command.
inline void StoreAssociation(const std::string& fileType, const std::string& command) {
  testenv::SetSz(HKEY_CLASSES_ROOT, ".ocx", "", fileType);
  testenv::SetSz(HKEY_CLASSES_ROOT, "OCX_FileType", "", "Active X Control");
  testenv::SetSz(HKEY_CLASSES_ROOT, kCommandKey, "", command);
}

// Counts the shell's association-changed notices that reach a window of this process.
class AssocNotices {
 public:
  AssocNotices() {
    SetWindowSubclass(hwnd_, &Counter, 0, reinterpret_cast<DWORD_PTR>(&count_));
    SHChangeNotifyEntry everything{nullptr, TRUE};
    id_ = SHChangeNotifyRegister(hwnd_, SHCNRF_ShellLevel | SHCNRF_InterruptLevel, SHCNE_ASSOCCHANGED, kNotice, 1,
                                 &everything);
  }
  ~AssocNotices() { SHChangeNotifyDeregister(id_); DestroyWindow(hwnd_); }
  int Count() const { PumpFor(150); return count_; }  // notices still on their way arrive first

 private:
  static constexpr UINT kNotice = WM_APP + 17;
  static LRESULT CALLBACK Counter(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR count) {
    if (msg == kNotice) ++*reinterpret_cast<int*>(count);
    return DefSubclassProc(hwnd, msg, wParam, lParam);
  }
  HWND hwnd_ = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  ULONG id_ = 0;
  int count_ = 0;
};

// Tells whether any key or value below the classes root changed since it was made.
class ClassesWatch {
 public:
  ClassesWatch() {
    RegOpenKeyExA(HKEY_CLASSES_ROOT, "", 0, KEY_NOTIFY, &key_);
    RegNotifyChangeKeyValue(key_, TRUE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET, event_, TRUE);
  }
  ~ClassesWatch() { RegCloseKey(key_); CloseHandle(event_); }
  bool Changed() const { return WaitForSingleObject(event_, 100) == WAIT_OBJECT_0; }

 private:
  HKEY key_ = nullptr;
  HANDLE event_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
};

// Every test starts without an .ocx association and without the saved setting; every box or
// dialog it meets must have been planned.
class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override { CleanState(); }
  static void CleanState() {
    for (const char* key : {".ocx", "OCX_FileType", ".vsk", "Vesk_TestType"})
      testenv::DeleteTree(HKEY_CLASSES_ROOT, key);
    testenv::DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
  }
  void TearDown() override {
    EXPECT_EQ(boxes_.Unexpected(), 0u) << "a message box or dialog appeared that the test did not expect";
    EXPECT_EQ(boxes_.Pending(), 0u) << "a planned answer found no dialog";
  }
  DialogAnswerer& Boxes() { return boxes_; }

 private:
  DialogAnswerer boxes_;
};

}  // namespace shelltest
