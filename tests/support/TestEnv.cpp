#include "TestEnv.h"

#include <cstdio>
#include <map>
#include <vector>

#include "app/frmMain.h"
#include "shell/Registry.h"

namespace testenv {

namespace {

std::map<std::string, long long>& Figures() {
  static std::map<std::string, long long> figures;
  return figures;
}

// A fault that nothing handles ends the test program at once with a line on stderr, rather than
// starting the system's debugger and waiting for the test's time limit.
LONG WINAPI EndOnFault(EXCEPTION_POINTERS* info) {
  std::fprintf(stderr, "unhandled exception 0x%08lX at %p\n", info->ExceptionRecord->ExceptionCode,
               info->ExceptionRecord->ExceptionAddress);
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 3);
  return EXCEPTION_EXECUTE_HANDLER;
}

class RunEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { SetUnhandledExceptionFilter(&EndOnFault); }
  void TearDown() override {
    if (Figures().empty()) return;
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string name = self;
    name = name.substr(name.find_last_of('\\') + 1);
    name = name.substr(0, name.find_last_of('.'));
    const std::string dir = ExeDir() + "..\\figures\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    std::string lines;
    for (const auto& [figure, value] : Figures()) lines += figure + "=" + std::to_string(value) + "\n";
    WriteFileBytes(dir + name + ".txt", lines);
  }
};

::testing::Environment* const g_runEnvironment = ::testing::AddGlobalTestEnvironment(new RunEnvironment);

}  // namespace

void CountFigure(const std::string& name, long long n) { Figures()[name] += n; }

std::string ExeDir() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir = path;
  dir.resize(dir.find_last_of('\\') + 1);
  return dir;
}

std::string HeadPath(const std::string& name) { return ExeDir() + "heads\\" + name; }

namespace {

void RemoveFolder(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + name;
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveFolder(path + "\\");
      else
        DeleteFileA(path.c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

}  // namespace

std::string TestDir() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "global";
  for (char& c : name)
    if (c == '/' || c == '\\') c = '_';
  CreateDirectoryA("C:\\vesktest", nullptr);
  const std::string folder = "C:\\vesktest\\" + name + "\\";
  RemoveFolder(folder);
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

std::string CopyInto(const std::string& file, const std::string& folder, const std::string& newName) {
  const std::string base = newName.empty() ? file.substr(file.find_last_of('\\') + 1) : newName;
  const std::string target = folder + base;
  CopyFileA(file.c_str(), target.c_str(), FALSE);
  return target;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
}

std::string ReadFileBytes(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  std::string bytes(GetFileSize(h, nullptr), '\0');
  DWORD got = 0;
  ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(h);
  bytes.resize(got);
  return bytes;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void SetAttributes(const std::string& path, DWORD attributes) { SetFileAttributesA(path.c_str(), attributes); }

bool KeyExists(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void SetValue(HKEY root, const std::string& path, const std::string& name, DWORD type, const std::string& bytes) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS)
      << path;
  RegSetValueExA(key, name.empty() ? nullptr : name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                 static_cast<DWORD>(bytes.size()));
  RegCloseKey(key);
}

void SetSz(HKEY root, const std::string& path, const std::string& name, const std::string& value) {
  SetValue(root, path, name, REG_SZ, std::string(value.c_str(), value.size() + 1));
}

std::optional<std::string> GetSz(HKEY root, const std::string& path, const std::string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
  DWORD type = 0, size = 0;
  std::optional<std::string> result;
  if (RegQueryValueExA(key, name.empty() ? nullptr : name.c_str(), nullptr, &type, nullptr, &size) ==
          ERROR_SUCCESS &&
      type == REG_SZ) {
    std::string data(size, '\0');
    RegQueryValueExA(key, name.empty() ? nullptr : name.c_str(), nullptr, &type,
                     reinterpret_cast<BYTE*>(data.data()), &size);
    data.resize(size);
    if (const auto nul = data.find('\0'); nul != std::string::npos) data.resize(nul);
    result = data;
  }
  RegCloseKey(key);
  return result;
}

void DeleteTree(HKEY root, const std::string& path) {
  RegDeleteTreeA(root, path.c_str());
  RegDeleteKeyA(root, path.c_str());
}

void SuppressAssociatePrompt() {
  Registry settings;
  settings.Appname(kSettingsApp);
  settings.Section(kSettingsSection);
  settings.Key(kAssociateMsg);
  settings.Setting(L"1");
  settings.RegSave();
}

Process::Process(const std::string& commandLine, const std::string& environmentAdd) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  std::vector<wchar_t> cmd(commandLine.size() + 1, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, commandLine.data(), static_cast<int>(commandLine.size()), cmd.data(),
                      static_cast<int>(cmd.size()));
  std::vector<char> env;
  if (!environmentAdd.empty()) {
    // The current environment plus NAME=VALUE pairs separated by ';'.
    char* block = GetEnvironmentStringsA();
    for (const char* p = block; *p; p += strlen(p) + 1) env.insert(env.end(), p, p + strlen(p) + 1);
    FreeEnvironmentStringsA(block);
    size_t start = 0;
    while (start < environmentAdd.size()) {
      size_t end = environmentAdd.find(';', start);
      if (end == std::string::npos) end = environmentAdd.size();
      env.insert(env.end(), environmentAdd.begin() + static_cast<long>(start),
                 environmentAdd.begin() + static_cast<long>(end));
      env.push_back('\0');
      start = end + 1;
    }
    env.push_back('\0');
  }
  CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, env.empty() ? nullptr : env.data(), nullptr, &si,
                 &info_);
}

Process::~Process() {
  Kill();
  if (info_.hProcess) CloseHandle(info_.hProcess);
  if (info_.hThread) CloseHandle(info_.hThread);
}

bool Process::Running() const {
  return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::WaitExit(DWORD timeoutMs) {
  if (!info_.hProcess) return std::nullopt;
  if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

void Process::Kill() {
  if (Running()) {
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, 5000);
  }
}

std::optional<DWORD> RunAndWait(const std::string& commandLine, DWORD timeoutMs) {
  Process process(commandLine);
  auto code = process.WaitExit(timeoutMs);
  if (!code) process.Kill();
  return code;
}

namespace {

struct FindByCaption {
  DWORD pid;
  std::string caption;
  HWND found = nullptr;
};

BOOL CALLBACK MatchCaption(HWND hwnd, LPARAM param) {
  auto* f = reinterpret_cast<FindByCaption*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  char text[256] = {};
  GetWindowTextA(hwnd, text, sizeof text);
  if (pid == f->pid && f->caption == text) {
    f->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

namespace {

BOOL CALLBACK CollectMainWindowOwner(HWND hwnd, LPARAM param) {
  char cls[64] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  if (std::string(cls) == "VeskMainWindow") {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    reinterpret_cast<std::set<DWORD>*>(param)->insert(pid);
  }
  return TRUE;
}

}  // namespace

std::set<DWORD> MainWindowOwners() {
  std::set<DWORD> owners;
  EnumWindows(&CollectMainWindowOwner, reinterpret_cast<LPARAM>(&owners));
  return owners;
}

bool ThemedControl(HWND hwnd) {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(GetClassLongPtrW(hwnd, GCLP_WNDPROC)), &module);
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(module, path, MAX_PATH);
  const wchar_t* name = wcsrchr(path, L'\\');
  return module && _wcsicmp(name ? name + 1 : path, L"comctl32.dll") == 0;
}

HWND WaitForWindow(DWORD processId, const std::string& caption, DWORD timeoutMs) {
  FindByCaption f{processId, caption};
  PumpUntil(
      [&] {
        EnumWindows(&MatchCaption, reinterpret_cast<LPARAM>(&f));
        return f.found != nullptr;
      },
      timeoutMs);
  return f.found;
}

void MainWindowTest::SetUp() {
  SuppressAssociatePrompt();
  boxes_ = std::make_unique<DialogAnswerer>();
  form_ = std::make_unique<frmMain>();
  form_->Show();
}

void MainWindowTest::TearDown() {
  if (form_) form_->Unload();
  form_.reset();
  EXPECT_EQ(boxes_->Unexpected(), 0u) << "a message box or dialog appeared that the test did not expect";
  boxes_.reset();
}

}  // namespace testenv
