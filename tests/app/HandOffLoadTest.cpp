// Many starts at once: every path is handled exactly once, whichever start became the instance.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "TestEnv.h"
#include "app/Controls.h"

using namespace testenv;

namespace {

const std::string kProgram = "\"" + ExeDir() + "VeskInstallerTesting.exe\"";

// The paths in the AddCall trace, each with how often it was handled.
std::map<std::string, int> Handled(const std::string& trace) {
  std::map<std::string, int> handled;
  const std::string lines = ReadFileBytes(trace);
  for (size_t at = 0, stop; at < lines.size(); at = stop + 2) {
    stop = std::min(lines.find("\r\n", at), lines.size());
    if (stop > at) ++handled[lines.substr(at, stop - at)];
  }
  return handled;
}

}  // namespace

// Two starts at the very same moment with no instance running: one becomes the instance, the
// other hands its path over, even if the window is not there yet when it looks.
TEST(HandOffUnderLoad, TwoFirstStartsAtOnce) {
  SuppressAssociatePrompt();
  const std::string dir = TestDir(), trace = dir + "addcall.trace";
  const std::string a = dir + "a.ocx", b = dir + "b.ocx";
  WriteFileBytes(a, "x");
  WriteFileBytes(b, "x");
  Process first(kProgram + " " + a, "VESK_ADDCALL_TRACE=" + trace);
  Process second(kProgram + " " + b, "VESK_ADDCALL_TRACE=" + trace);
  std::set<DWORD> owners;
  ASSERT_TRUE(PumpUntil([&] { return (owners = MainWindowOwners()).size() == 1 && !(first.Running() && second.Running()); }, 30000));
  ASSERT_TRUE(PumpUntil([&] { return Handled(trace).size() == 2; }, 10000)) << ReadFileBytes(trace);
  EXPECT_EQ(Handled(trace), (std::map<std::string, int>{{a, 1}, {b, 1}}));
  HWND main = FindWindowA(nullptr, "Vesk Game/Head Installer");
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(first.WaitExit(15000).has_value());
  EXPECT_TRUE(second.WaitExit(15000).has_value());
}

TEST(HandOffUnderLoad, ThirtySecondStartsAtOnce) {
  SuppressAssociatePrompt();
  const std::string dir = TestDir(), trace = dir + "addcall.trace";
  const std::string program = kProgram;
  Process first(program, "VESK_ADDCALL_TRACE=" + trace);
  HWND main = WaitForWindow(first.Id(), "Vesk Game/Head Installer", 30000);
  ASSERT_TRUE(main);
  ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(main); }, 10000));

  std::vector<std::string> paths;
  for (int i = 0; i < 30; ++i) {
    paths.push_back(dir + "head" + std::to_string(i) + ".ocx");
    WriteFileBytes(paths.back(), "x");
  }
  std::vector<std::unique_ptr<Process>> seconds;
  std::set<DWORD> secondIds;
  for (const std::string& path : paths)
    secondIds.insert(seconds.emplace_back(std::make_unique<Process>(program + " " + path))->Id());
  bool aSecondShowedAWindow = false;
  auto allEnded = [&] { return std::none_of(seconds.begin(), seconds.end(), [](auto& p) { return p->Running(); }); };
  for (const ULONGLONG end = GetTickCount64() + 120000; !allEnded() && GetTickCount64() < end; Sleep(20))
    for (DWORD owner : MainWindowOwners()) aSecondShowedAWindow |= secondIds.count(owner) > 0;
  ASSERT_TRUE(allEnded()) << "every second start ends";
  EXPECT_FALSE(aSecondShowedAWindow);
  for (size_t i = 0; i < seconds.size(); ++i)
    EXPECT_EQ(seconds[i]->WaitExit(0), std::optional<DWORD>(0)) << "second start with " << paths[i];

  std::map<std::string, int> handled = Handled(trace);  // the trace has one line per path handled
  EXPECT_EQ(handled.size(), paths.size());
  for (const std::string& path : paths) EXPECT_EQ(handled[path], 1) << path;

  wchar_t box[MAX_PATH] = {};
  SendMessageW(GetDlgItem(main, IDC_txtOCXFile), WM_GETTEXT, MAX_PATH, reinterpret_cast<LPARAM>(box));
  EXPECT_EQ(std::count(paths.begin(), paths.end(), std::string(box, box + wcslen(box))), 1) << "the box ends with one of the handed paths";

  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(first.WaitExit(15000).has_value());
}
