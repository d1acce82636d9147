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

TEST(GetLongPath, ExistingMissingShortNamesAndBackslashes) {
  const std::string dir = TestDir();  // C:\vesktest\<test>\ .
  const std::string file = dir + "A Rather Long Head Name.ocx";
  WriteFileBytes(file, "x");
  WriteFileBytes(dir + "a.ocx", "x");
  char shortPath[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameA(file.c_str(), shortPath, MAX_PATH), 0u);
  ASSERT_NE(std::string(shortPath), file);
  const std::pair<std::string, std::string> cases[] = {
      {file, file}, {shortPath, file}, {dir + "missing.ocx", ""}, {"", ""},
      {dir + "\\a.ocx", dir + "a.ocx"},                    // a doubled backslash collapses
      {"\\\\?\\" + dir + "a.ocx", "\\\\?\\" + dir + "a.ocx"}};  // the leading pair of a device path stays
  for (const auto& [in, out] : cases) EXPECT_EQ(LongPath(in), out) << in;
  const std::string tripled = LongPath(dir + "\\\\a.ocx");
  EXPECT_TRUE(tripled == dir + "\\a.ocx" || tripled == dir + "a.ocx") << tripled;
}

TEST(AppPath, EndsWithOneBackslash) {
  const std::string app = ToAnsi(modInstaller::AppPath());
  EXPECT_EQ(app, ExeDir());
  EXPECT_TRUE(app.ends_with('\\') && !app.ends_with("\\\\")) << app;
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
  EXPECT_EQ(code, std::optional<DWORD>(0));
}

TEST(FileProbe, MatchesOrdinaryFilesOnly) {
  const std::string dir = TestDir();
  for (const auto& [name, attributes] : {std::pair<const char*, DWORD>{"plain.ocx", FILE_ATTRIBUTE_NORMAL},
                                         {"hidden.ocx", FILE_ATTRIBUTE_HIDDEN},
                                         {"system.ocx", FILE_ATTRIBUTE_SYSTEM},
                                         {"readonly.ocx", FILE_ATTRIBUTE_READONLY}}) {
    WriteFileBytes(dir + name, "x");
    SetAttributes(dir + name, attributes);
  }
  CreateDirectoryA((dir + "folder.ocx").c_str(), nullptr);
  // Wildcards expand; a hidden first match does not hide the others.
  const std::pair<const char*, bool> cases[] = {{"plain.ocx", true},    {"readonly.ocx", true}, {"hidden.ocx", false},
                                                {"system.ocx", false},  {"folder.ocx", false},  {"missing.ocx", false},
                                                {"*.ocx", true},        {"h*.ocx", false}};
  for (const auto& [name, matches] : cases) EXPECT_EQ(modInstaller::FileProbe(FromAnsi(dir + name)), matches) << name;
  EXPECT_FALSE(modInstaller::FileProbe(L""));
}

TEST(DeleteLogFile, OrdinaryFilesOnly) {
  const std::string dir = TestDir(), log = dir + "vesklog.log";
  WriteFileBytes(log, "old log");
  modMultipleInstance::DeleteLogFile(log.c_str());
  EXPECT_FALSE(FileExists(log));

  for (DWORD attributes : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
    WriteFileBytes(log, "kept");
    SetAttributes(log, attributes);
    modMultipleInstance::DeleteLogFile(log.c_str());
    EXPECT_TRUE(FileExists(log)) << attributes;
    SetAttributes(log, FILE_ATTRIBUTE_NORMAL);
  }
  // A file that cannot be deleted, or a folder, is left alone without a fault.
  HANDLE busy = CreateFileA(log.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  modMultipleInstance::DeleteLogFile(log.c_str());
  EXPECT_TRUE(FileExists(log));
  CloseHandle(busy);
  CreateDirectoryA((dir + "dir.log").c_str(), nullptr);
  modMultipleInstance::DeleteLogFile((dir + "dir.log").c_str());
  EXPECT_TRUE(FileExists(dir + "dir.log"));
}
