#pragma once
// Number conversions over texts in the system code page (the caller converts wide texts first).
#include <string>

namespace StringManip {

// text read as a hexadecimal number (digits 0-9, A-F, a-f); the empty text gives 0. Any other
// character raises RunTimeFault 13 "Type mismatch".
double HexToNum(const std::string& text);

}  // namespace StringManip
