#include "games/StringManip.h"

#include "games/RunTimeFault.h"

namespace StringManip {

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

unsigned char Code(char c) { return static_cast<unsigned char>(c); }

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  throw RunTimeFault(13, L"Type mismatch");
}

// A character code in uppercase hex with no leading zeros ("0" for code 0).
std::string CodeToHex(unsigned code) {
  std::string hex;
  do {
    hex.insert(hex.begin(), kDigits[code % 16]);
    code /= 16;
  } while (code != 0);
  return hex;
}

}  // namespace

std::string StrToHex(const std::string& text) {
  std::string hex;
  for (char c : text) hex += CodeToHex(Code(c));
  return hex;
}

double HexToNum(const std::string& text) {
  double result = 0;
  double weight = 1;  // 16 to the power of the position counted from the right
  for (auto it = text.rbegin(); it != text.rend(); ++it) {
    result += DigitValue(*it) * weight;
    weight *= 16;
  }
  return result;
}

double StrToNum(const std::string& text) {
  // Every code as exactly two digits, so that each character is one base-256 place.
  std::string hex;
  for (char c : text) {
    const std::string digits = CodeToHex(Code(c));
    hex += digits.size() == 1 ? "0" + digits : digits;
  }
  return HexToNum(hex);
}

}  // namespace StringManip
