#include "cli/StandardOutput.h"

namespace cli {
namespace {

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return GetFileType(handle) == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode);
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
  return bytes;
}

}  // namespace

StandardOutput::StandardOutput() {
  HANDLE given = GetStdHandle(STD_OUTPUT_HANDLE);
  if (given && given != INVALID_HANDLE_VALUE && GetFileType(given) != FILE_TYPE_UNKNOWN) {
    handle_ = given;
    console_ = IsConsole(given);
    return;
  }
  // Started from a console without redirection: a windows program gets no standard output of its
  // own, so its lines go to the console of the caller, when there is one.
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  if (console == INVALID_HANDLE_VALUE) return;
  handle_ = console;
  console_ = owned_ = true;
  // The caller's prompt is already written: start on a line of our own.
  WriteLine(L"");
}

StandardOutput::~StandardOutput() {
  if (owned_) CloseHandle(handle_);
}

void StandardOutput::WriteLine(const std::wstring& line) const {
  if (!handle_) return;
  const std::wstring text = line + L"\r\n";
  DWORD written = 0;
  if (console_) {
    WriteConsoleW(handle_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  const std::string bytes = Utf8(text);
  WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace cli
