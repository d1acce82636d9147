#include "TestEnv.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "app/MainWindow.h"

namespace testenv {
namespace {

std::map<std::string, long long> g_figures;

// Writes the figures when the program ends.
struct FigureWriter : ::testing::Environment {
  void TearDown() override {
    if (g_figures.empty()) return;
    std::filesystem::create_directory(ExeDir() + "..\\figures");
    std::ofstream out(ExeDir() + "..\\figures\\" + std::filesystem::path(__argv[0]).stem().string() + ".txt");
    for (const auto& [name, value] : g_figures) out << name << "=" << value << "\n";
  }
};

::testing::Environment* const g_figureWriter = ::testing::AddGlobalTestEnvironment(new FigureWriter);

}  // namespace

void CountFigure(const std::string& name, long long n) { g_figures[name] += n; }

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

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void SetAttributes(const std::string& path, DWORD attributes) { SetFileAttributesA(path.c_str(), attributes); }

bool KeyExists(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS && RegCloseKey(key) == ERROR_SUCCESS;
}

void SetValue(HKEY root, const std::string& path, const std::string& name, DWORD type, const std::string& bytes) {
  const char* value = name.empty() ? nullptr : name.c_str();
  ASSERT_EQ(RegSetKeyValueA(root, path.c_str(), value, type, bytes.data(), DWORD(bytes.size())), 0) << path;
}

void SetSz(HKEY root, const std::string& path, const std::string& name, const std::string& value) {
  SetValue(root, path, name, REG_SZ, std::string(value.c_str(), value.size() + 1));
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

void SuppressAssociatePrompt() {
  SetSz(HKEY_CURRENT_USER, "Software\\VB and VBA Program Settings\\VeskOCXInstall\\LocSettings", "AssociateMsg", "1");
}

Process::Process(const std::string& commandLine, const std::string& environmentAdd, DWORD flags) {
  STARTUPINFOW si{static_cast<DWORD>(sizeof(STARTUPINFOW))};
  std::wstring cmd = std::filesystem::path(std::u8string(commandLine.begin(), commandLine.end()));
  std::string env;  // the current environment, the added pairs; the string's own zero ends the block
  if (!environmentAdd.empty()) {
    char* block = GetEnvironmentStringsA();
    for (const char* p = block; *p; p += strlen(p) + 1) env.append(p, strlen(p) + 1);
    FreeEnvironmentStringsA(block);
    for (char c : environmentAdd + ";") env += c == ';' ? '\0' : c;
  }
  CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, flags, env.empty() ? nullptr : env.data(), nullptr, &si,
                 &info_);
}

Process::~Process() {
  Kill();
  CloseHandle(info_.hProcess), CloseHandle(info_.hThread);
}

std::optional<DWORD> Process::WaitExit(DWORD timeoutMs) {
  DWORD code = 0;
  if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0 || !GetExitCodeProcess(info_.hProcess, &code))
    return std::nullopt;
  return code;
}

void Process::Kill() {
  if (Running() && TerminateProcess(info_.hProcess, 99)) WaitForSingleObject(info_.hProcess, 5000);
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
  window_ = std::make_unique<MainWindow>();
  window_->Show();
}

void MainWindowTest::TearDown() {
  window_.reset();  // unloads the window
  EXPECT_EQ(boxes_->Unexpected(), 0u) << "a message box or dialog appeared that the test did not expect";
}

}  // namespace testenv
