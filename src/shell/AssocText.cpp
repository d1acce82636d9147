#include "shell/AssocText.h"

namespace shell {

std::wstring TrimBlanks(const std::wstring& text) {
  const auto first = text.find_first_not_of(L' ');
  if (first == std::wstring::npos) return {};
  const auto last = text.find_last_not_of(L' ');
  return text.substr(first, last - first + 1);
}

bool HasIllegalChar(const std::wstring& extension) {
  return extension.find_first_of(L"\\/:*?<>|\"") != std::wstring::npos;
}

std::wstring ShellCommand(const std::wstring& exePath, const std::wstring& parameters) {
  const bool quote = exePath.find(L' ') != std::wstring::npos;
  const std::wstring program = quote ? L"\"" + exePath + L"\"" : exePath;
  return program + parameters + L" %1";
}

std::wstring CommandPath(const std::wstring& command) {
  std::wstring path = command;
  if (path.size() >= 2 && path.compare(path.size() - 2, 2, L"%1") == 0) {
    path.resize(path.size() - 2);
    path = TrimBlanks(path);
  }
  if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"') path = path.substr(1, path.size() - 2);
  return path;
}

}  // namespace shell
