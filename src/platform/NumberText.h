#pragma once
// Numbers as text. Written here rather than through the C library's formatting (std::to_wstring and
// the printf family), which would bring a whole printf with its floating-point code into the program.
#include <cstddef>
#include <string>

std::wstring DecimalText(long long number, std::size_t minDigits = 1);
// Upper-case digits unless lowerCase, no prefix.
std::wstring HexText(unsigned long long number, std::size_t minDigits = 1, bool lowerCase = false);
