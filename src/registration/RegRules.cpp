#include "registration/RegRules.h"

#include <cwctype>

namespace registration {

const char* EntryPointName(const std::wstring& commandLetter) {
  if (commandLetter.empty()) return "DllRegisterServer";
  if (commandLetter == L"u" || commandLetter == L"U") return "DllUnregisterServer";
  return nullptr;
}

bool IsSuccessStatus(std::uint32_t status) { return (status & 0x80000000u) == 0; }

namespace {

// "0x" and eight uppercase hex digits.
std::wstring Hex32(std::uint32_t value) {
  static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring text = L"0x";
  for (int shift = 28; shift >= 0; shift -= 4) text += kDigits[(value >> shift) & 0xFu];
  return text;
}

std::wstring TrimmedBlanks(const std::wstring& text) {
  const auto first = text.find_first_not_of(L" \t\r\n");
  if (first == std::wstring::npos) return {};
  return text.substr(first, text.find_last_not_of(L" \t\r\n") - first + 1);
}

}  // namespace

std::wstring StatusLine(std::uint32_t status, const std::wstring& systemText) {
  if (IsSuccessStatus(status)) return L"Process Successful.";
  const std::wstring text = TrimmedBlanks(systemText);
  std::wstring line = L"Process failed with status " + Hex32(status);
  return text.empty() ? line + L"." : line + L": " + text;
}

std::wstring FaultLine(std::uint32_t exceptionCode) {
  return L"Process failed: the entry point faulted with exception " + Hex32(exceptionCode) + L".";
}

bool IsOcxName(const std::wstring& path) {
  if (path.size() < 3) return false;
  std::wstring last = path.substr(path.size() - 3);
  for (wchar_t& c : last) c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
  return last == L"ocx";
}

}  // namespace registration
