// The real program (its test build) started as processes: the single instance and its hand-off,
// and a user's work through the window, all seen from outside.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "TestEnv.h"
#include "app/WindowLayout.h"

using namespace testenv;

namespace {

const std::string kProgram = "\"" + ExeDir() + "VeskInstallerTesting.exe\" ";
const char kLog[] = "C:\\vesklog.log";

std::wstring Wide(const std::string& utf8) { return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())); }

HWND RunningWindow() {
  HWND main = nullptr;
  PumpUntil([&] { return (main = FindWindowA("VeskMainWindow", nullptr)) && IsWindowVisible(main); }, 30000);
  return main;
}

std::wstring Text(HWND main, int id) {
  wchar_t text[4096] = {};
  return GetDlgItemTextW(main, id, text, 4096), text;
}

int ListIndex(HWND main, const wchar_t* entry) {
  return int(SendDlgItemMessageW(main, kGamesList, LB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(entry)));
}

void Click(HWND hwnd, int x, int y) {  // at a point of the window's client area
  PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

bool SecondStartEnds(const std::string& arguments) { return Process(kProgram + arguments).WaitExit(30000) == 0u; }

}  // namespace

TEST(Program, SecondStartsHandTheirPathOverAndEnd) {
  SuppressAssociatePrompt();
  WriteFileBytes(kLog, "left over");
  Process first(kProgram);
  const HWND main = RunningWindow();
  ASSERT_TRUE(main);
  EXPECT_FALSE(FileExists(kLog)) << "the first start deletes the log";

  const std::string dir = TestDir(), cyrillic = dir + "\xD1\x88\xD0\xB0\xD1\x85\xD0\xBC\xD0\xB0\xD1\x82\xD1\x8B.ocx";
  for (const std::string& file : {dir + "Chess Head.ocx", dir + "b.ocx", cyrillic})
    std::ofstream(std::filesystem::path(Wide(file))) << "x";
  char shortPath[MAX_PATH] = {};
  GetShortPathNameA((dir + "Chess Head.ocx").c_str(), shortPath, MAX_PATH);
  const std::pair<std::string, std::string> starts[] = {
      {shortPath, dir + "Chess Head.ocx"}, {"\"" + dir + "b.ocx\" extra", dir + "b.ocx"}, {cyrillic, cyrillic},
      {"\"", cyrillic} /* no path: the box stays */, {dir + "missing.ocx", ""}};
  for (const auto& [arguments, box] : starts) {
    ASSERT_TRUE(SecondStartEnds(arguments)) << arguments;
    EXPECT_EQ(Text(main, kHeadFileBox), Wide(box)) << arguments;
  }

  // The window comes to the front, not to stay on top. A second start deletes the log too, but
  // a hidden one stays.
  WriteFileBytes(kLog, "hidden");
  SetAttributes(kLog, FILE_ATTRIBUTE_HIDDEN);
  HWND other = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(other);
  ASSERT_TRUE(SecondStartEnds(""));
  EXPECT_EQ(GetForegroundWindow(), main);
  EXPECT_FALSE(GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(FileExists(kLog));
  DestroyWindow(other);
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(first.WaitExit(15000).has_value()) << "closing the window ends the process";
}

// Thirty-two starts at once with none running: one becomes the instance, each other one hands its
// path over, also those that come before the instance's window is there.
TEST(Program, SimultaneousStartsAreEachHandledExactlyOnce) {
  SuppressAssociatePrompt();
  const std::string dir = TestDir(), trace = dir + "addcall.trace";
  std::map<std::string, int> expected;
  std::vector<std::unique_ptr<Process>> starts;
  for (int i = 0; i < 32; ++i) {
    const std::string path = dir + "head" + std::to_string(i) + ".ocx";
    WriteFileBytes(path, "x");
    expected[path] = 1;
    starts.push_back(std::make_unique<Process>(kProgram + path, "VESK_ADDCALL_TRACE=" + trace, CREATE_SUSPENDED));
  }
  for (const auto& start : starts) start->Resume();  // all at the same moment
  DWORD instance = 0;
  GetWindowThreadProcessId(RunningWindow(), &instance);
  const ULONGLONG end = GetTickCount64() + 120000;  // for all of them
  for (const auto& start : starts)
    if (start->Id() != instance) EXPECT_EQ(start->WaitExit(DWORD(end - std::min(end, GetTickCount64()))), 0u);
  auto handled = [&] {  // the trace has a line per path AddCall put into the box
    std::map<std::string, int> paths;
    const std::string lines = ReadFileBytes(trace);
    for (size_t at = 0, stop; at < lines.size(); at = stop + 2)
      if ((stop = std::min(lines.find("\r\n", at), lines.size())) > at) ++paths[lines.substr(at, stop - at)];
    return paths;
  };
  PumpUntil([&] { return handled() == expected; }, 10000);  // hand-offs that came during the load come after it
  EXPECT_EQ(handled(), expected);
  PostMessageW(RunningWindow(), WM_CLOSE, 0, 0);
}

// A user's work through the window: the Register picture, a broken entry removed through the list,
// a head dropped on the list.
TEST(Program, RegisterRemoveAndDropThroughTheWindow) {
  SuppressAssociatePrompt();
  const std::string dir = TestDir(), head = CopyInto(HeadPath("chess.ocx"), dir);
  const std::string classKey = "CLSID\\{1E5A294C-7B3D-4C11-9A2E-6F01C3D5B7A1}";
  const std::wstring registered = L"Checking File...\r\nAttempting to register file...\r\nProcess Successful.\r\n";
  Process app(kProgram + "\"" + head + "\"", "VESK_TEST_DROPS=1");
  DialogAnswerer boxes(app.Id());
  const HWND main = RunningWindow(), list = GetDlgItem(main, kGamesList);
  ASSERT_TRUE(main);
  ASSERT_TRUE(PumpUntil([&] { return Text(main, kHeadFileBox) == Wide(head); }, 10000));
  const ControlPlace& image2 = *std::find_if(kPlaces, std::end(kPlaces), [](auto& p) { return p.id == kRegisterButton; });
  Click(main, (image2.left + image2.width / 2) / kTwipsPerPixel, (image2.top + image2.height / 2) / kTwipsPerPixel);
  ASSERT_TRUE(PumpUntil([&] { return ListIndex(main, L"Chess") >= 0; }, 20000)) << "listed after the refresh";
  EXPECT_EQ(Text(main, kInfoPanel), registered);
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, classKey));

  // The head file goes away: choosing its entry offers to remove it, with its keys.
  ASSERT_TRUE(PumpUntil([&] { return DeleteFileA(head.c_str()) != FALSE; }, 10000));
  boxes.Answer(IDYES);
  RECT item{};
  SendMessageW(list, LB_GETITEMRECT, WPARAM(ListIndex(main, L"Chess")), LPARAM(&item));
  Click(list, 30, (item.top + item.bottom) / 2);
  ASSERT_TRUE(PumpUntil([&] { return ListIndex(main, L"Chess") < 0; }, 10000));
  EXPECT_EQ(boxes.Seen().at(0).caption, L"TypeLib Not Found");
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\CLASSES\\Software\\Ubique\\VPgames32\\Chess"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, classKey));

  // Dropped on the list (through the test build's drop hook): asked first; Yes puts it into the
  // box and registers it.
  const std::wstring copy = Wide(CopyInto(HeadPath("chess.ocx"), dir, "Chess Copy.ocx"));
  boxes.Answer(IDYES);
  COPYDATASTRUCT files{0, DWORD(copy.size() + 1) * 2, const_cast<wchar_t*>(copy.c_str())};
  SendMessageW(FindWindowExW(HWND_MESSAGE, nullptr, L"VeskTestDropHook", nullptr), WM_COPYDATA, WPARAM(list),
               LPARAM(&files));
  ASSERT_TRUE(PumpUntil([&] { return ListIndex(main, L"Chess") >= 0; }, 20000));
  EXPECT_EQ(boxes.Seen().at(1).caption, L"Register?");
  EXPECT_EQ(Text(main, kHeadFileBox), copy);
  EXPECT_EQ(Text(main, kInfoPanel), registered);
  EXPECT_EQ(boxes.Unexpected(), 0u);
  PostMessageW(main, WM_CLOSE, 0, 0);
}
