// The names an export gives the keys a control wrote, as the 64-bit registry editor imports them.
#include <gtest/gtest.h>

#include "registration/ExportRules.h"

namespace registration {
namespace {

TEST(ExportRules, KeyNamesForEachBitness) {
  using R = ScratchRoot;
  const std::wstring lm = L"HKEY_LOCAL_MACHINE\\", classes = lm + L"SOFTWARE\\Classes";
  struct Case {
    R root;
    const wchar_t* path;
    std::wstring as32, as64;
  };
  const Case cases[] = {
      {R::kClassesRoot, L"CLSID\\{1}\\InprocServer32", classes + L"\\WOW6432Node\\CLSID\\{1}\\InprocServer32",
       classes + L"\\CLSID\\{1}\\InprocServer32"},
      {R::kClassesRoot, L"interface\\{2}", classes + L"\\WOW6432Node\\interface\\{2}", classes + L"\\interface\\{2}"},
      {R::kClassesRoot, L"Media Type\\x", classes + L"\\WOW6432Node\\Media Type\\x", classes + L"\\Media Type\\x"},
      {R::kClassesRoot, L"CLSIDs", classes + L"\\CLSIDs", classes + L"\\CLSIDs"},  // a whole name only
      {R::kClassesRoot, L"TypeLib\\{3}\\1.0", classes + L"\\TypeLib\\{3}\\1.0", classes + L"\\TypeLib\\{3}\\1.0"},
      {R::kClassesRoot, L"Chess.Board", classes + L"\\Chess.Board", classes + L"\\Chess.Board"},
      {R::kClassesRoot, L"", classes, classes},
      {R::kLocalMachine, L"Software\\CLASSES\\Software\\Ubique\\VPgames32\\Chess",
       lm + L"Software\\CLASSES\\Software\\Ubique\\VPgames32\\Chess", lm + L"Software\\CLASSES\\Software\\Ubique\\VPgames32\\Chess"},
      {R::kLocalMachine, L"SOFTWARE\\Classes\\CLSID\\{1}", lm + L"SOFTWARE\\Classes\\WOW6432Node\\CLSID\\{1}",
       lm + L"SOFTWARE\\Classes\\CLSID\\{1}"},
      {R::kLocalMachine, L"SOFTWARE\\Vesk\\Chess", lm + L"SOFTWARE\\WOW6432Node\\Vesk\\Chess", lm + L"SOFTWARE\\Vesk\\Chess"},
      {R::kLocalMachine, L"SOFTWARE", lm + L"SOFTWARE\\WOW6432Node", lm + L"SOFTWARE"},
      {R::kLocalMachine, L"SOFTWARE\\Wow6432Node\\Vesk", lm + L"SOFTWARE\\Wow6432Node\\Vesk", lm + L"SOFTWARE\\Wow6432Node\\Vesk"},
      {R::kLocalMachine, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\c.exe",
       lm + L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\c.exe",
       lm + L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\c.exe"},
      {R::kLocalMachine, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\c",
       lm + L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\c",
       lm + L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\c"},
      {R::kLocalMachine, L"Software\\microsoft\\Windows NT\\CurrentVersion\\Fonts", lm + L"Software\\microsoft\\Windows NT\\CurrentVersion\\Fonts",
       lm + L"Software\\microsoft\\Windows NT\\CurrentVersion\\Fonts"},
      {R::kLocalMachine, L"SOFTWARE\\RegisteredApplications", lm + L"SOFTWARE\\RegisteredApplications",
       lm + L"SOFTWARE\\RegisteredApplications"},
      {R::kLocalMachine, L"SYSTEM\\x", lm + L"SYSTEM\\x", lm + L"SYSTEM\\x"},
      {R::kCurrentUser, L"Software\\Classes\\CLSID\\{1}", L"HKEY_CURRENT_USER\\Software\\Classes\\WOW6432Node\\CLSID\\{1}",
       L"HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\{1}"},
      {R::kCurrentUser, L"Software\\Vesk", L"HKEY_CURRENT_USER\\Software\\Vesk", L"HKEY_CURRENT_USER\\Software\\Vesk"},
      {R::kUsers, L"S-1-5-21-1_Classes\\CLSID\\{1}", L"HKEY_USERS\\S-1-5-21-1_Classes\\WOW6432Node\\CLSID\\{1}",
       L"HKEY_USERS\\S-1-5-21-1_Classes\\CLSID\\{1}"},
      {R::kUsers, L".DEFAULT\\Software\\Classes\\Interface", L"HKEY_USERS\\.DEFAULT\\Software\\Classes\\WOW6432Node\\Interface",
       L"HKEY_USERS\\.DEFAULT\\Software\\Classes\\Interface"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ImportedKeyName(c.root, c.path, Bitness::k32), c.as32) << c.path;
    EXPECT_EQ(ImportedKeyName(c.root, c.path, Bitness::k64), c.as64) << c.path;
  }
}

}  // namespace
}  // namespace registration
