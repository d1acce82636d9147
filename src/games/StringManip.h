#pragma once
// Number conversions over texts in the system code page (the caller converts wide texts first).
#include <string>

namespace StringManip {

// The character codes of text, each in uppercase hex without leading zeros, concatenated
// ("AB" gives "4142", a code 10 gives "A").
std::string StrToHex(const std::string& text);

// text read as a hexadecimal number (digits 0-9, A-F, a-f); the empty text gives 0. Any other
// character raises RunTimeFault 13 "Type mismatch".
double HexToNum(const std::string& text);

// The character codes of text read as one big-endian base-256 number ("AB" gives 16706).
double StrToNum(const std::string& text);

}  // namespace StringManip
