// Exports of what heads register: the registry untouched, the file imported by the 64-bit registry
// editor equal to a real registration, misbehaving heads leaving no scratch keys, and the window's
// Settings menu command.
#include <cstring>
#include <map>

#include "TestEnv.h"
#include "window/MainWindow.h"
#include "window/WindowLayout.h"
#include "games/RegFile.h"
#include "platform/AnsiText.h"
#include "platform/RegistryKey.h"
#include "registration/EntryWorker.h"
#include "registration/ExportRegistration.h"

namespace {

using registration::ExportRegistration;
// Every key of the machine's software and of the users, in the 64-bit view, with its values.
using Snapshot = std::map<std::pair<HKEY, std::wstring>, std::vector<games::Value>>;

void Read(HKEY root, const RegistryKey& key, const std::wstring& path, Snapshot& into) {
  auto& values = into[{root, path}];
  for (auto& v : key.Values().value_or(std::vector<RegistryKey::Value>{})) values.push_back({v.name, v.type, v.data});
  for (const std::wstring& name : key.SubKeyNames())
    Read(root, key.OpenSub(name, KEY_READ | KEY_WOW64_64KEY), path.empty() ? name : path + L"\\" + name, into);
}

Snapshot Snap() {
  Snapshot all;
  Read(HKEY_LOCAL_MACHINE, RegistryKey::Open(HKEY_LOCAL_MACHINE, L"Software", KEY_READ, KEY_WOW64_64KEY), L"Software", all);
  Read(HKEY_USERS, RegistryKey::Open(HKEY_USERS, L"", KEY_READ, KEY_WOW64_64KEY), L"", all);
  return all;
}

// The first keys that differ, for the failure message.
std::string Differences(const Snapshot& a, const Snapshot& b) {
  std::string out;
  for (const auto& [key, values] : a)
    if (auto it = b.find(key); (it == b.end() || it->second != values) && out.size() < 600) out += ToAnsi(key.second) + "\n";
  for (const auto& [key, values] : b)
    if (!a.contains(key) && out.size() < 1200) out += "+ " + ToAnsi(key.second) + "\n";
  return out;
}

// Puts the registry back from now to as it was: new keys deleted (sub-keys first), changed values restored.
void Restore(const Snapshot& was, const Snapshot& now) {
  for (auto it = now.rbegin(); it != now.rend(); ++it)
    if (!was.contains(it->first)) RegDeleteKeyExW(it->first.first, it->first.second.c_str(), KEY_WOW64_64KEY, 0);
  for (const auto& [key, values] : now) {
    const auto old = was.find(key);
    if (old == was.end() || old->second == values) continue;
    const RegistryKey open = RegistryKey::Open(key.first, key.second, KEY_ALL_ACCESS, KEY_WOW64_64KEY);
    for (const auto& v : values) (void)open.DeleteValue(v.name);
    for (const auto& v : old->second) (void)open.WriteValue(v.name, {v.name, v.type, v.data});
  }
}

bool ScratchLeft() {
  for (const std::wstring& name : ListRegistrySubKeys(HKEY_CURRENT_USER, L"Software").value_or(std::vector<std::wstring>{}))
    if (name.starts_with(L"Vesk Installer scratch")) return true;
  return false;
}

Outcome Export(const std::string& head, const std::string& file) {
  return ExportRegistration(FromAnsi(head), FromAnsi(file), registration::WaitPlainly);
}

// A real registration of the head, in the worker as the window runs it.
bool Register(const std::string& head) {
  DWORD error = 0;
  auto worker = registration::EntryWorker::Start(error);
  return worker && registration::WaitPlainly(worker->ReadySignals(), 60000) && worker->Run(FromAnsi(head), L"") &&
         registration::WaitPlainly(worker->EndSignals(), 10000 * Slowness()) && worker->ReturnedStatus() == 0u;
}

// Test heads (one registers a system type library file with RegisterTypeLib), and a system control
// whose registration writes its type library, classes and interfaces.
const char* const kHeads[] = {"chess.ocx", "comhead.ocx", "typelib.ocx", "C:\\windows\\system32\\msxml3.dll"};

TEST(ExportTest, FileImportedGivesWhatRegisterWrites) {
  for (const char* name : kHeads) {
    const std::string dir = testenv::TestDir(), file = dir + "export.reg";
    std::string head = std::strchr(name, '\\') ? name : testenv::HeadPath(name);
    if (head.ends_with("typelib.ocx")) {  // beside the type library it registers
      head = testenv::CopyInto(head, dir);
      testenv::CopyInto("C:\\windows\\system32\\activeds.tlb", dir, "typelib.tlb");
    }
    const Snapshot before = Snap();
    const Outcome outcome = Export(head, file);
    ASSERT_EQ(outcome.exitCode, ExitCode::kSucceeded) << name << ": " << ToAnsi(testenv::Lines(outcome.lines));
    EXPECT_EQ(outcome.lines[0], L"Process Successful.");
    EXPECT_TRUE(before == Snap()) << name << ": the export changed\n" << Differences(before, Snap());
    const std::string text = testenv::ReadFileBytes(file);
    ASSERT_EQ(text.substr(0, 12), std::string("\xFF\xFEW\0i\0n\0d\0o\0", 12)) << name;
    if (!std::strchr(name, '\\'))
      EXPECT_NE(text.find(std::string("w\0r\0o\0t\0e\0 \0i\0t\0s\0 \0o\0w\0n\0 \0p\0a\0t\0h", 36)), std::string::npos);

    // The 64-bit editor: a 32-bit program asking for C:\windows\regedit.exe gets the 32-bit one.
    PVOID redirection = nullptr;
    const BOOL unredirected = Wow64DisableWow64FsRedirection(&redirection);
    testenv::Process regedit("C:\\windows\\regedit.exe /s \"" + file + "\"");
    if (unredirected) Wow64RevertWow64FsRedirection(redirection);
    ASSERT_EQ(regedit.WaitExit(30000 * Slowness()), 0u) << name;
    const Snapshot imported = Snap();
    EXPECT_FALSE(imported == before) << name << ": nothing imported";
    Restore(before, imported);
    ASSERT_TRUE(before == Snap()) << Differences(before, Snap());
    ASSERT_TRUE(Register(head)) << name;
    const Snapshot registered = Snap();
    EXPECT_TRUE(imported == registered) << name << ": imported against registered\n" << Differences(imported, registered);
    Restore(before, registered);
  }
}

TEST(ExportTest, MisbehavingHeadsLeaveNothing) {
  const std::wstring load = L"Failure loading control OCX/DLL";
  struct Case {
    std::string head;
    ExitCode code;
    std::wstring firstLine;  // its start
  };
  const Case cases[] = {
      {"fail.ocx", ExitCode::kEntryFailed, L"Process failed with status 0x80004005"},
      {"writefault.ocx", ExitCode::kEntryFailed, L"Process failed: the control ended the worker (exception 0xC000"},
      {"exitproc.ocx", ExitCode::kEntryFailed, L"Process failed: the control ended the worker (exit code 7)."},
      {"writeslow.ocx", ExitCode::kTimedOut, L"Process failed in signaled state or time-out."},
      {"noentry.ocx", ExitCode::kNoEntryPoint, L"Process failed in obtaining entry point or creating thread."},
      {"notadll.ocx", ExitCode::kLoadFailed, load},
      {"otherbits.ocx", ExitCode::kOtherBitness, load},
      {"missing.ocx", ExitCode::kLoadFailed, L"File not found..."},
  };
  // What an export ended with its process left behind is cleaned up by the next.
  const std::string leftover = "Software\\Vesk Installer scratch 4000000 1 1\\HKEY_CLASSES_ROOT\\CLSID";
  testenv::SetSz(HKEY_CURRENT_USER, leftover, "", "left");
  const Snapshot before = Snap();
  for (const Case& c : cases) {
    const std::string file = testenv::TestDir() + "export.reg";
    const Outcome outcome = Export(testenv::HeadPath(c.head), file);
    EXPECT_EQ(outcome.exitCode, c.code) << c.head << ": " << ToAnsi(testenv::Lines(outcome.lines));
    ASSERT_FALSE(outcome.lines.empty()) << c.head;
    EXPECT_TRUE(outcome.lines[0].starts_with(c.firstLine)) << c.head << ": " << ToAnsi(outcome.lines[0]);
    EXPECT_FALSE(ScratchLeft()) << c.head;
    EXPECT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES) << c.head;
  }
  const Snapshot after = Snap();  // the leftover gone, nothing else changed
  for (auto it = before.begin(); it != before.end(); ++it)
    if (it->first.second.find(L"Vesk Installer scratch") == std::wstring::npos && !after.contains(it->first))
      ADD_FAILURE() << ToAnsi(it->first.second);
  for (const auto& [key, values] : after)
    EXPECT_TRUE(before.contains(key) && before.at(key) == values) << ToAnsi(key.second);
}

// "Save Registration As..." in the Settings menu, from the keyboard: the save dialog offers the head's
// name with .reg, and the panel says where the file went.
class ExportWindowTest : public testenv::MainWindowTest {};

TEST_F(ExportWindowTest, SettingsMenuSavesTheRegistration) {
  const std::string dir = testenv::TestDir(), head = testenv::CopyInto(testenv::HeadPath("darts.ocx"), dir);
  Window().SetHeadFileText(FromAnsi(head));
  std::wstring offered;
  Boxes().Handle([&](const BoxInfo& box) {
    wchar_t name[MAX_PATH] = {};
    GetDlgItemTextW(box.hwnd, 0x47C, name, MAX_PATH);  // the file name box
    offered = name;
    SetDlgItemTextW(box.hwnd, 0x47C, FromAnsi(dir + "saved.reg").c_str());
    DialogAnswerer::Press(box.hwnd, IDOK);
    return true;
  });
  SetFocus(GetDlgItem(Window().Handle(), kGamesList));
  testenv::Type({{VK_SHIFT, VK_F10}, {'A'}});
  const std::wstring where = L"(12 keys, 13 values) to " + FromAnsi(dir) + L"saved.reg.";
  EXPECT_TRUE(PumpUntil([&] { return Window().PanelText().find(where) != std::wstring::npos; }, 20000))
      << ToAnsi(Window().PanelText());
  EXPECT_EQ(offered, L"darts.reg");
  EXPECT_EQ(Boxes().Unexpected(), 0u);
}

}  // namespace
