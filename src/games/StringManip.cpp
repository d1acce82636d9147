#include "games/StringManip.h"

#include "games/RunTimeFault.h"

namespace StringManip {

namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  throw RunTimeFault(13, L"Type mismatch");
}

}  // namespace

double HexToNum(const std::string& text) {
  double result = 0;
  double weight = 1;  // 16 to the power of the position counted from the right
  for (auto it = text.rbegin(); it != text.rend(); ++it) {
    result += DigitValue(*it) * weight;
    weight *= 16;
  }
  return result;
}

}  // namespace StringManip
