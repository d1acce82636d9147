// The shared path functions and the log file rule, against the real file system under Wine.
#include <gtest/gtest.h>

#include "TestEnv.h"
#include "app/AnsiText.h"
#include "app/modInstaller.h"
#include "app/modMultipleInstance.h"

using namespace testenv;

namespace {

std::string LongPath(const std::string& path) { return ToAnsi(modInstaller::GetLongPath(FromAnsi(path))); }

}  // namespace

TEST(GetLongPath, ExistingMissingAndEmpty) {
  const std::string dir = TestDir();
  WriteFileBytes(dir + "Chess Head.ocx", "x");
  EXPECT_EQ(LongPath(dir + "Chess Head.ocx"), dir + "Chess Head.ocx");
  EXPECT_EQ(LongPath(dir + "missing.ocx"), "");
  EXPECT_EQ(LongPath(""), "");
}

TEST(GetLongPath, ShortNameGivesTheLongOne) {
  const std::string dir = TestDir();
  const std::string file = dir + "A Rather Long Head Name.ocx";
  WriteFileBytes(file, "x");
  char shortPath[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameA(file.c_str(), shortPath, MAX_PATH), 0u);
  ASSERT_NE(std::string(shortPath), file);
  EXPECT_EQ(LongPath(shortPath), file);
}

TEST(GetLongPath, DoubledBackslashesCollapse) {
  const std::string dir = TestDir();  // C:\vesktest\<test>\ .
  WriteFileBytes(dir + "a.ocx", "x");
  EXPECT_EQ(LongPath(dir + "\\a.ocx"), dir + "a.ocx");
  const std::string tripled = LongPath(dir + "\\\\a.ocx");
  EXPECT_TRUE(tripled == dir + "\\a.ocx" || tripled == dir + "a.ocx") << tripled;
}

TEST(GetLongPath, LeadingPairComesBackAsOne) {
  const std::string dir = TestDir();
  WriteFileBytes(dir + "a.ocx", "x");
  const std::string result = LongPath("\\\\?\\" + dir + "a.ocx");
  EXPECT_EQ(result, "\\?\\" + dir + "a.ocx");
}

TEST(AppPath, EndsWithOneBackslash) {
  const std::string app = ToAnsi(modInstaller::AppPath());
  EXPECT_EQ(app, ExeDir());
  ASSERT_GE(app.size(), 2u);
  EXPECT_EQ(app.back(), '\\');
  EXPECT_NE(app[app.size() - 2], '\\');
  EXPECT_EQ(ToAnsi(modInstaller::ExeName()), "app_paths");
}

// Run by AppPath.InTheRootFolder from a copy of this program placed in C:\ .
TEST(AppPathProbe, RootFolder) {
  if (GetEnvironmentVariableA("VESK_EXPECT_ROOT", nullptr, 0) == 0) GTEST_SKIP() << "runs only as a child";
  EXPECT_EQ(ToAnsi(modInstaller::AppPath()), "C:\\");
}

TEST(AppPath, InTheRootFolder) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  ASSERT_TRUE(CopyFileA(self, "C:\\app_paths_root.exe", FALSE));
  SetEnvironmentVariableA("VESK_EXPECT_ROOT", "1");
  const auto code = RunAndWait("C:\\app_paths_root.exe --gtest_filter=AppPathProbe.RootFolder", 60000);
  SetEnvironmentVariableA("VESK_EXPECT_ROOT", nullptr);
  DeleteFileA("C:\\app_paths_root.exe");
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0u);
}

TEST(FileProbe, MatchesOrdinaryFilesOnly) {
  const std::string dir = TestDir();
  WriteFileBytes(dir + "plain.ocx", "x");
  WriteFileBytes(dir + "hidden.ocx", "x");
  SetAttributes(dir + "hidden.ocx", FILE_ATTRIBUTE_HIDDEN);
  WriteFileBytes(dir + "system.ocx", "x");
  SetAttributes(dir + "system.ocx", FILE_ATTRIBUTE_SYSTEM);
  WriteFileBytes(dir + "readonly.ocx", "x");
  SetAttributes(dir + "readonly.ocx", FILE_ATTRIBUTE_READONLY);
  CreateDirectoryA((dir + "folder.ocx").c_str(), nullptr);
  auto probe = [&](const std::string& name) { return modInstaller::FileProbe(FromAnsi(dir + name)); };
  EXPECT_TRUE(probe("plain.ocx"));
  EXPECT_TRUE(probe("readonly.ocx"));
  EXPECT_FALSE(probe("hidden.ocx"));
  EXPECT_FALSE(probe("system.ocx"));
  EXPECT_FALSE(probe("folder.ocx"));
  EXPECT_FALSE(probe("missing.ocx"));
  EXPECT_TRUE(probe("*.ocx"));  // wildcards expand; a hidden first match does not hide the others
  EXPECT_FALSE(probe("h*.ocx"));
  EXPECT_FALSE(modInstaller::FileProbe(L""));
}

TEST(DeleteLogFile, OrdinaryFilesOnly) {
  const std::string dir = TestDir();
  const std::string log = dir + "vesklog.log";
  WriteFileBytes(log, "old log");
  modMultipleInstance::DeleteLogFile(log.c_str());
  EXPECT_FALSE(FileExists(log));

  for (DWORD attributes : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
    WriteFileBytes(log, "kept");
    SetAttributes(log, attributes);
    modMultipleInstance::DeleteLogFile(log.c_str());
    EXPECT_TRUE(FileExists(log)) << attributes;
    SetAttributes(log, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(log.c_str());
  }

  // A file that cannot be deleted is left alone without a fault.
  WriteFileBytes(log, "in use");
  HANDLE busy = CreateFileA(log.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  modMultipleInstance::DeleteLogFile(log.c_str());
  EXPECT_TRUE(FileExists(log));
  CloseHandle(busy);
  CreateDirectoryA((dir + "dir.log").c_str(), nullptr);
  modMultipleInstance::DeleteLogFile((dir + "dir.log").c_str());
  EXPECT_TRUE(FileExists(dir + "dir.log"));
}
