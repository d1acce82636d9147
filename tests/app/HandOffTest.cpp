// Start-up and the single-instance hand-off between two real processes of the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>

#include "TestEnv.h"

#include <psapi.h>
#include "app/Controls.h"

using namespace testenv;

namespace {

const char kLog[] = "C:\\vesklog.log";
const std::string kProgram = "\"" + ExeDir() + "VeskInstallerTesting.exe\"";

// The head file box's text in UTF-8, as the tests write their paths.
std::string BoxText(HWND main) {
  wchar_t text[2048] = {};
  SendMessageW(GetDlgItem(main, IDC_txtOCXFile), WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text));
  char utf8[4096] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
  return utf8;
}

// A file whose name is in UTF-8.
void MakeFile(const std::string& utf8) {
  wchar_t path[MAX_PATH] = {};
  MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, path, MAX_PATH);
  CloseHandle(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
}

// Cyrillic, outside the system code page: "шахматы.ocx".
const std::string kCyrillicName = "\xD1\x88\xD0\xB0\xD1\x85\xD0\xBC\xD0\xB0\xD1\x82\xD1\x8B.ocx";

bool TopMost(HWND main) { return GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_TOPMOST; }

// The file names, in lower case, of the DLLs a process has loaded.
std::set<std::string> LoadedDlls(HANDLE process) {
  HMODULE modules[512];
  DWORD bytes = 0;
  std::set<std::string> names;
  if (!EnumProcessModules(process, modules, sizeof modules, &bytes)) return names;
  for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; ++i) {
    char name[MAX_PATH] = {};
    GetModuleBaseNameA(process, modules[i], name, MAX_PATH);
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    names.insert(lower);
  }
  return names;
}

// Starts a second instance and waits for its end: true when it ended without showing a window.
bool SecondStartEndsWithoutWindow(const std::string& arguments) {
  Process second(kProgram + (arguments.empty() ? "" : " " + arguments));
  bool showedWindow = false;
  for (const ULONGLONG end = GetTickCount64() + 30000; GetTickCount64() < end;) {
    showedWindow |= MainWindowOwners().count(second.Id()) > 0;
    if (second.WaitExit(10)) return !showedWindow;
  }
  return false;
}

// Each test starts the first instance (with a stale log file in place) and closes it at the end.
class HandOff : public ::testing::Test {
 protected:
  void Start(const std::string& arguments = "") {
    SuppressAssociatePrompt();
    WriteFileBytes(kLog, "left over");
    first_ = std::make_unique<Process>(kProgram + arguments);
    main_ = WaitForWindow(first_->Id(), "Vesk Game/Head Installer", 30000);
    ASSERT_TRUE(main_) << "the first instance shows its window";
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(main_); }, 10000));
  }
  void TearDown() override {
    if (first_ && first_->Running()) {
      PostMessageA(main_, WM_CLOSE, 0, 0);
      EXPECT_TRUE(first_->WaitExit(15000).has_value()) << "closing the window ends the process";
    }
  }

  const std::string dir_ = TestDir();
  std::unique_ptr<Process> first_;
  HWND main_ = nullptr;
};

}  // namespace

TEST_F(HandOff, FirstStartDeletesTheLogAndShowsAnEmptyBoxButAHiddenLogStays) {
  ASSERT_NO_FATAL_FAILURE(Start());
  EXPECT_FALSE(FileExists(kLog));
  EXPECT_EQ(BoxText(main_), "");
  EXPECT_FALSE(TopMost(main_));
  EXPECT_EQ(GetForegroundWindow(), main_) << "the new window is in front";
  // Start-up stays light: the shell, the file dialog and the common controls are loaded only when
  // something needs them. (OLE and the version reader are left out: Wine's display driver loads them.)
  const std::set<std::string> dlls = LoadedDlls(first_->Handle());
  EXPECT_TRUE(dlls.count("user32.dll")) << "the module list was read";
  for (const char* late : {"comctl32.dll", "shell32.dll", "comdlg32.dll"})
    EXPECT_FALSE(dlls.count(late)) << late << " is loaded at start-up";

  WriteFileBytes(kLog, "hidden");
  SetAttributes(kLog, FILE_ATTRIBUTE_HIDDEN);
  ASSERT_TRUE(SecondStartEndsWithoutWindow(""));
  EXPECT_TRUE(FileExists(kLog));
  SetAttributes(kLog, FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(kLog);
}

TEST_F(HandOff, FirstStartWithAPathPutsItIntoTheBox) {
  MakeFile(dir_ + "My " + kCyrillicName);
  ASSERT_NO_FATAL_FAILURE(Start(" " + dir_ + "My " + kCyrillicName));
  EXPECT_TRUE(PumpUntil([&] { return BoxText(main_) == dir_ + "My " + kCyrillicName; }, 10000)) << BoxText(main_);
}

TEST_F(HandOff, SecondStartsHandTheirPathOverAndEnd) {
  ASSERT_NO_FATAL_FAILURE(Start());
  WriteFileBytes(dir_ + "Chess Head.ocx", "x");
  WriteFileBytes(kLog, "again");
  char shortPath[MAX_PATH] = {};
  GetShortPathNameA((dir_ + "Chess Head.ocx").c_str(), shortPath, MAX_PATH);
  ASSERT_TRUE(SecondStartEndsWithoutWindow(shortPath));
  EXPECT_EQ(BoxText(main_), dir_ + "Chess Head.ocx") << "the long form of the handed path";
  EXPECT_FALSE(TopMost(main_)) << "brought to the front, not kept on top";
  EXPECT_FALSE(FileExists(kLog)) << "the messenger deletes the log too";

  // A quoted path with a blank and a trailing word: only the quoted part arrives.
  WriteFileBytes(dir_ + "b.ocx", "x");
  ASSERT_TRUE(SecondStartEndsWithoutWindow("\"" + dir_ + "b.ocx\" extra"));
  EXPECT_EQ(BoxText(main_), dir_ + "b.ocx");

  // Without a path the box keeps its text, but the window still comes to the front.
  HWND other = CreateWindowExA(0, "STATIC", "in front", WS_POPUP | WS_VISIBLE, 0, 0, 60, 40, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  SetForegroundWindow(other);
  WriteFileBytes(kLog, "again");
  ASSERT_TRUE(SecondStartEndsWithoutWindow(""));
  EXPECT_EQ(BoxText(main_), dir_ + "b.ocx");
  EXPECT_EQ(GetForegroundWindow(), main_);
  EXPECT_FALSE(TopMost(main_));
  EXPECT_FALSE(FileExists(kLog));
  DestroyWindow(other);

  // A path outside the code page goes over whole.
  MakeFile(dir_ + kCyrillicName);
  ASSERT_TRUE(SecondStartEndsWithoutWindow(dir_ + kCyrillicName));
  EXPECT_EQ(BoxText(main_), dir_ + kCyrillicName);

  ASSERT_TRUE(SecondStartEndsWithoutWindow("\""));
  EXPECT_EQ(BoxText(main_), dir_ + kCyrillicName) << "a lone quote is no command";
  ASSERT_TRUE(SecondStartEndsWithoutWindow(dir_ + "missing.ocx"));
  EXPECT_EQ(BoxText(main_), "");
}
