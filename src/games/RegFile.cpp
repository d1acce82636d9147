#include "games/RegFile.h"
#include "platform/NumberText.h"

#include <algorithm>

namespace games {
namespace {

constexpr std::uint32_t kString = 1, kDword = 4, kBinary = 3;
// The editor breaks a hex line once it has reached this many characters ("\" and a new line
// indented by two spaces), so that no line runs past 80.
constexpr size_t kHexLineLimit = 77;

bool HasLineBreak(const std::wstring& text) { return text.find_first_of(L"\r\n") != std::wstring::npos; }

// A name or string between double quotes, with backslash and double quote escaped.
std::wstring Quoted(const std::wstring& text) {
  std::wstring out = L"\"";
  for (wchar_t c : text) {
    if (c == L'\\' || c == L'"') out += L'\\';
    out += c;
  }
  return out + L"\"";
}

std::wstring Hex(std::uint64_t value, int digits) { return HexText(value, static_cast<size_t>(digits), true); }

std::wstring HexType(std::uint32_t type) {
  if (type == kBinary) return L"hex:";
  int digits = 1;
  while (digits < 8 && (type >> (4 * digits)) != 0) ++digits;
  return L"hex(" + Hex(type, digits) + L"):";
}

// The text of string data written as one NUL-ended UTF-16 string with no other NUL and no line
// break: only then does the quoted form give the same bytes back.
std::optional<std::wstring> PlainString(const std::vector<std::uint8_t>& data) {
  if (data.size() < 2 || data.size() % 2 != 0) return std::nullopt;
  std::wstring text;
  for (size_t i = 0; i < data.size(); i += 2) text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
  if (text.back() != L'\0') return std::nullopt;
  text.pop_back();
  if (text.find(L'\0') != std::wstring::npos || HasLineBreak(text)) return std::nullopt;
  return text;
}

// The bytes as comma-separated pairs of hex digits, wrapped as the editor wraps them; line is the
// length of the line so far.
std::wstring HexBytes(const std::vector<std::uint8_t>& data, size_t line) {
  std::wstring out;
  for (size_t i = 0; i < data.size(); ++i) {
    out += Hex(data[i], 2);
    if (i + 1 == data.size()) break;
    out += L',';
    line += 3;
    if (line >= kHexLineLimit) {
      out += L"\\\r\n  ";
      line = 2;
    }
  }
  return out;
}

std::wstring ValueLine(const Value& value) {
  std::wstring line = value.name.empty() ? L"@=" : Quoted(value.name) + L"=";
  if (value.type == kString)
    if (const std::optional<std::wstring> text = PlainString(value.data)) return line + Quoted(*text);
  if (value.type == kDword && value.data.size() == 4) {
    const std::uint32_t number = value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                                 static_cast<std::uint32_t>(value.data[3]) << 24;
    return line + L"dword:" + Hex(number, 8);
  }
  line += HexType(value.type);
  return line + HexBytes(value.data, line.size());
}

wchar_t FoldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool SameFolded(const std::wstring& a, const std::wstring& b) {
  return std::ranges::equal(a, b, [](wchar_t x, wchar_t y) { return FoldAscii(x) == FoldAscii(y); });
}

std::wstring Padded(int number, size_t digits) { return DecimalText(number, digits); }

}  // namespace

std::optional<std::wstring> Text(const std::vector<Key>& keys) {
  std::wstring text = L"Windows Registry Editor Version 5.00\r\n";
  for (const Key& key : keys) {
    if (HasLineBreak(key.name)) return std::nullopt;
    text += L"\r\n[" + key.name + L"]\r\n";
    for (const Value& value : key.values) {
      if (HasLineBreak(value.name)) return std::nullopt;
      text += ValueLine(value) + L"\r\n";
    }
  }
  return text + L"\r\n";
}

std::wstring KeyName(RegFileHive hive, const std::wstring& path, bool wow64) {
  const std::wstring root = hive == RegFileHive::LocalMachine ? L"HKEY_LOCAL_MACHINE\\" : L"HKEY_CURRENT_USER\\";
  const std::wstring classes = L"Software\\Classes\\";
  if (wow64 && path.size() > classes.size() && SameFolded(path.substr(0, classes.size()), classes)) {
    const std::wstring rest = path.substr(classes.size());
    const std::wstring tree = rest.substr(0, rest.find(L'\\'));
    for (const wchar_t* redirected : {L"CLSID", L"Interface", L"DirectShow", L"Media Type", L"MediaFoundation"})
      if (SameFolded(tree, redirected))
        return root + (hive == RegFileHive::LocalMachine ? L"SOFTWARE\\Wow6432Node\\Classes\\" : L"Software\\Classes\\Wow6432Node\\") + rest;
  }
  return root + path;
}

std::wstring FileName(const std::wstring& entryName, const Stamp& when, int number) {
  std::wstring name = entryName.substr(0, 80);
  for (wchar_t& c : name)
    if (c < 32 || std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos) c = L'_';
  if (name.empty()) name = L"Games list entry";
  name += L" " + Padded(when.year, 4) + L"-" + Padded(when.month, 2) + L"-" + Padded(when.day, 2) + L" " +
          Padded(when.hour, 2) + Padded(when.minute, 2) + Padded(when.second, 2);
  if (number > 1) name += L" (" + DecimalText(number) + L")";
  return name + L".reg";
}

}  // namespace games
