#include "TestEnv.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "window/MainWindow.h"
#include "platform/HandOffProof.h"

namespace testenv {

std::string ExeDir() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, strrchr(path, '\\') + 1);
}

std::string HeadPath(const std::string& name) { return ExeDir() + "heads\\" + name; }

std::string TestDir() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "global";
  std::replace(name.begin(), name.end(), '/', '_');
  const std::string folder = "C:\\vesktest\\" + name + "\\";
  std::error_code error;  // hidden, system and read-only files go too
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error))
    SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
  std::filesystem::remove_all(folder, error);
  std::filesystem::create_directories(folder, error);
  return folder;
}

std::string CopyInto(const std::string& file, const std::string& folder, const std::string& newName) {
  const std::string target = folder + (newName.empty() ? file.substr(file.find_last_of('\\') + 1) : newName);
  return CopyFileA(file.c_str(), target.c_str(), FALSE), target;
}

void WriteFileBytes(const std::string& path, const std::string& data) { std::ofstream(path, std::ios::binary) << data; }

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool KeyExists(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS && RegCloseKey(key) == ERROR_SUCCESS;
}

void SetSz(HKEY root, const std::string& path, const std::string& name, const std::string& value) {
  const char* named = name.empty() ? nullptr : name.c_str();
  ASSERT_EQ(RegSetKeyValueA(root, path.c_str(), named, REG_SZ, value.c_str(), DWORD(value.size() + 1)), 0) << path;
}

std::optional<std::string> GetSz(HKEY root, const std::string& path, const std::string& name) {
  char data[4096];
  DWORD size = sizeof data;
  const char* value = name.empty() ? nullptr : name.c_str();
  if (RegGetValueA(root, path.c_str(), value, RRF_RT_REG_SZ, nullptr, data, &size)) return std::nullopt;
  return data;
}

void DeleteTree(HKEY root, const std::string& path) {
  RegDeleteTreeA(root, path.c_str());
  RegDeleteKeyA(root, path.c_str());
}

void Refuse(HKEY root, const std::string& path, DWORD access) {
  HKEY key = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  char deny[32] = {};
  if (access) snprintf(deny, sizeof deny, "(D;;0x%lx;;;WD)", access);
  RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, WRITE_DAC, nullptr, &key, nullptr);
  ConvertStringSecurityDescriptorToSecurityDescriptorA((std::string("D:") + deny + "(A;;KA;;;WD)").c_str(), SDDL_REVISION_1, &sd, nullptr);
  ASSERT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd), 0) << path;
  LocalFree(sd), RegCloseKey(key);
}

void SuppressAssociatePrompt() {
  SetSz(HKEY_CURRENT_USER, "Software\\VB and VBA Program Settings\\VeskOCXInstall\\LocSettings", "AssociateMsg", "1");
}

Process::Process(const std::string& commandLine, DWORD flags, bool limited) {
  STARTUPINFOW si{static_cast<DWORD>(sizeof(STARTUPINFOW))};
  std::wstring cmd = std::filesystem::path(std::u8string(commandLine.begin(), commandLine.end()));
  HANDLE own = nullptr, token = nullptr;
  TOKEN_LINKED_TOKEN linked{};
  DWORD size = 0;
  if (limited && OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own) &&
      GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size))
    DuplicateTokenEx(linked.LinkedToken, MAXIMUM_ALLOWED, nullptr, SecurityImpersonation, TokenPrimary, &token);
  EXPECT_EQ(limited, token != nullptr) << "no limited token";
  if (token)
    CreateProcessAsUserW(token, nullptr, cmd.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &si, &info_);
  else
    CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &si, &info_);
  for (HANDLE h : {own, token, linked.LinkedToken})
    if (h) CloseHandle(h);
}

Process::~Process() {
  Kill();
  CloseHandle(info_.hProcess), CloseHandle(info_.hThread);
}

std::optional<DWORD> Process::WaitExit(DWORD timeoutMs) {
  DWORD code = 0;
  if (WaitForSingleObject(info_.hProcess, timeoutMs * Slowness()) != WAIT_OBJECT_0 || !GetExitCodeProcess(info_.hProcess, &code))
    return std::nullopt;
  return code;
}

void Process::Kill() {
  if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT && TerminateProcess(info_.hProcess, 99))
    WaitForSingleObject(info_.hProcess, 5000);
}

void Type(const std::vector<std::vector<WORD>>& chords) {
  std::vector<INPUT> keys;
  const auto key = [&](WORD vk, DWORD flags) {
    INPUT input{INPUT_KEYBOARD, {}};
    input.ki.wVk = vk, input.ki.dwFlags = flags;
    keys.push_back(input);
  };
  for (const auto& chord : chords) {
    for (WORD vk : chord) key(vk, 0);
    for (auto vk = chord.rbegin(); vk != chord.rend(); ++vk) key(*vk, KEYEVENTF_KEYUP);
  }
  SendInput(UINT(keys.size()), keys.data(), sizeof(INPUT));
}

std::wstring Lines(const std::vector<std::wstring>& lines) {
  std::wstring text;
  for (const std::wstring& line : lines) text += line + L"\r\n";
  return text;
}

int ListCount(HWND list) { return static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)); }

std::wstring ListItem(HWND list, int index) {
  if (index < 0) index = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
  std::wstring text(static_cast<size_t>(std::max<LRESULT>(0, SendMessageW(list, LB_GETTEXTLEN, index, 0))) + 1, L'\0');
  text.resize(static_cast<size_t>(std::max<LRESULT>(0, SendMessageW(list, LB_GETTEXT, index, LPARAM(text.data())))));
  return text;
}

void MainWindowTest::SetUp() {
  SuppressAssociatePrompt();
  boxes_ = std::make_unique<DialogAnswerer>();
  platform::PublishProof();  // as start-up does: hand-offs from other threads carry it
  window_ = std::make_unique<MainWindow>();
  window_->Show();
}

void MainWindowTest::TearDown() {
  window_.reset();  // unloads the window
  EXPECT_EQ(boxes_->Unexpected(), 0u) << "a message box or dialog appeared that the test did not expect";
}

}  // namespace testenv
