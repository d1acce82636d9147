#pragma once
// Texts are wide inside the program; every platform call that takes text gets the system ANSI
// code page form. These convert both ways, keeping embedded NUL characters.
#include <string>

std::string ToAnsi(const std::wstring& text);
std::wstring FromAnsi(const std::string& bytes);
