// Many second starts at once while the first instance runs: every path is handled exactly once.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "TestEnv.h"
#include "app/Controls.h"

using namespace testenv;

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

}  // namespace

TEST(HandOffUnderLoad, ThirtySecondStartsAtOnce) {
  SuppressAssociatePrompt();
  const std::string dir = TestDir();
  const std::string trace = dir + "addcall.trace";
  const std::string program = "\"" + ExeDir() + "VeskInstaller.exe\"";
  Process first(program, "VESK_ADDCALL_TRACE=" + trace);
  HWND main = WaitForWindow(first.Id(), "Vesk Game/Head Installer", 30000);
  ASSERT_TRUE(main);
  ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(main); }, 10000));

  constexpr int kStarts = 30;
  std::vector<std::string> paths;
  for (int i = 0; i < kStarts; ++i) {
    paths.push_back(dir + "head" + std::to_string(i) + ".ocx");
    WriteFileBytes(paths.back(), "x");
  }
  std::vector<std::unique_ptr<Process>> seconds;
  for (const std::string& path : paths) seconds.push_back(std::make_unique<Process>(program + " " + path));

  std::set<DWORD> secondIds;
  for (const auto& p : seconds) secondIds.insert(p->Id());
  bool aSecondShowedAWindow = false;
  const ULONGLONG end = GetTickCount64() + 120000;
  auto allEnded = [&] {
    return std::all_of(seconds.begin(), seconds.end(), [](const auto& p) { return !p->Running(); });
  };
  while (!allEnded() && GetTickCount64() < end) {
    for (DWORD owner : MainWindowOwners())
      if (secondIds.count(owner)) aSecondShowedAWindow = true;
    Sleep(20);
  }
  ASSERT_TRUE(allEnded()) << "every second start ends";
  EXPECT_FALSE(aSecondShowedAWindow);
  for (auto& p : seconds) EXPECT_EQ(p->WaitExit(0), std::optional<DWORD>(0));

  std::map<std::string, int> handled;
  for (const std::string& line : Lines(ReadFileBytes(trace)))
    if (!line.empty()) ++handled[line];
  EXPECT_EQ(handled.size(), paths.size());
  for (const std::string& path : paths) EXPECT_EQ(handled[path], 1) << path;

  wchar_t box[MAX_PATH] = {};
  SendMessageW(GetDlgItem(main, IDC_txtOCXFile), WM_GETTEXT, MAX_PATH, reinterpret_cast<LPARAM>(box));
  const std::wstring boxText = box;
  EXPECT_TRUE(std::any_of(paths.begin(), paths.end(), [&](const std::string& p) {
    return std::wstring(p.begin(), p.end()) == boxText;
  })) << "the box ends with one of the handed paths";

  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(first.WaitExit(15000).has_value());
}
