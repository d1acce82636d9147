// Start-up and the single-instance hand-off between two real processes of the program.
#include <gtest/gtest.h>

#include <set>

#include "TestEnv.h"
#include "app/Controls.h"

using namespace testenv;

namespace {

const char kCaption[] = "Vesk Game/Head Installer";
const char kLog[] = "C:\\vesklog.log";

std::string Program() { return ExeDir() + "VeskInstaller.exe"; }

std::wstring WideText(HWND hwnd) {
  wchar_t text[2048] = {};
  SendMessageW(hwnd, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text));
  return text;
}

std::string BoxText(HWND main) {
  const std::wstring text = WideText(GetDlgItem(main, IDC_txtOCXFile));
  return std::string(text.begin(), text.end());  // the test paths are plain ASCII
}

// Starts a second instance, watches for any window of it while it runs, and waits for its end.
struct SecondStart {
  std::optional<DWORD> exitCode;
  bool showedWindow = false;
};

SecondStart StartSecond(const std::string& arguments) {
  Process second("\"" + Program() + "\"" + (arguments.empty() ? "" : " " + arguments));
  SecondStart result;
  const ULONGLONG end = GetTickCount64() + 30000;
  while (GetTickCount64() < end) {
    if (MainWindowOwners().count(second.Id())) result.showedWindow = true;
    if (auto code = second.WaitExit(10)) {
      result.exitCode = code;
      break;
    }
  }
  return result;
}

class HandOff : public ::testing::Test {
 protected:
  void SetUp() override {
    SuppressAssociatePrompt();
    dir_ = TestDir();
    WriteFileBytes(dir_ + "Chess Head.ocx", "x");
    WriteFileBytes(kLog, "left over");
    first_ = std::make_unique<Process>("\"" + Program() + "\"");
    main_ = WaitForWindow(first_->Id(), kCaption, 30000);
    ASSERT_TRUE(main_) << "the first instance shows its window";
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(main_); }, 10000));
  }
  void TearDown() override {
    if (first_ && first_->Running()) {
      PostMessageA(main_, WM_CLOSE, 0, 0);
      EXPECT_TRUE(first_->WaitExit(15000).has_value()) << "closing the window ends the process";
    }
    first_.reset();
    boxes_.reset();
  }

  std::string dir_;
  std::unique_ptr<Process> first_;
  std::unique_ptr<DialogAnswerer> boxes_;
  HWND main_ = nullptr;
};

}  // namespace

TEST_F(HandOff, FirstStartDeletesTheLogAndShowsAnEmptyBox) {
  EXPECT_FALSE(FileExists(kLog));
  EXPECT_EQ(BoxText(main_), "");
  EXPECT_FALSE(GetWindowLongA(main_, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(HandOff, SecondStartWithAPathHandsItOverAndEnds) {
  WriteFileBytes(kLog, "again");
  char shortPath[MAX_PATH] = {};
  GetShortPathNameA((dir_ + "Chess Head.ocx").c_str(), shortPath, MAX_PATH);
  const SecondStart second = StartSecond(shortPath);
  ASSERT_TRUE(second.exitCode.has_value()) << "the second process ends";
  EXPECT_FALSE(second.showedWindow);
  EXPECT_EQ(BoxText(main_), dir_ + "Chess Head.ocx") << "the long form of the handed path";
  EXPECT_TRUE(GetWindowLongA(main_, GWL_EXSTYLE) & WS_EX_TOPMOST) << "brought to the front";
  EXPECT_FALSE(FileExists(kLog)) << "the messenger deletes the log too";

  // A quoted path with a blank and a trailing word: only the quoted part arrives.
  WriteFileBytes(dir_ + "b.ocx", "x");
  ASSERT_TRUE(StartSecond("\"" + dir_ + "b.ocx\" extra").exitCode.has_value());
  EXPECT_EQ(BoxText(main_), dir_ + "b.ocx");
}

TEST_F(HandOff, SecondStartWithoutPathLeavesTheBoxAndAMissingPathEmptiesIt) {
  ASSERT_TRUE(StartSecond("\"" + dir_ + "Chess Head.ocx\"").exitCode.has_value());
  ASSERT_EQ(BoxText(main_), dir_ + "Chess Head.ocx");

  WriteFileBytes(kLog, "again");
  const SecondStart bare = StartSecond("");
  ASSERT_TRUE(bare.exitCode.has_value());
  EXPECT_FALSE(bare.showedWindow);
  EXPECT_EQ(BoxText(main_), dir_ + "Chess Head.ocx");
  EXPECT_TRUE(GetWindowLongA(main_, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_FALSE(FileExists(kLog));

  const SecondStart loneQuote = StartSecond("\"");
  ASSERT_TRUE(loneQuote.exitCode.has_value());
  EXPECT_EQ(BoxText(main_), dir_ + "Chess Head.ocx") << "a lone quote is no command";

  ASSERT_TRUE(StartSecond(dir_ + "missing.ocx").exitCode.has_value());
  EXPECT_EQ(BoxText(main_), "");
}

TEST_F(HandOff, AHiddenLogFileStays) {
  WriteFileBytes(kLog, "hidden");
  SetAttributes(kLog, FILE_ATTRIBUTE_HIDDEN);
  ASSERT_TRUE(StartSecond("").exitCode.has_value());
  EXPECT_TRUE(FileExists(kLog));
  SetAttributes(kLog, FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(kLog);
}

TEST(StartUp, FirstStartWithAPathPutsItIntoTheBox) {
  SuppressAssociatePrompt();
  const std::string dir = TestDir();
  WriteFileBytes(dir + "My Head.ocx", "x");
  Process first("\"" + Program() + "\" " + dir + "My Head.ocx");
  HWND main = WaitForWindow(first.Id(), kCaption, 30000);
  ASSERT_TRUE(main);
  EXPECT_TRUE(PumpUntil([&] { return BoxText(main) == dir + "My Head.ocx"; }, 10000)) << BoxText(main);
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(first.WaitExit(15000).has_value());
}
