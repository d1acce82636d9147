#pragma once
#include <string>

// The command text trimmed to one path: a text that starts with a double quote yields what stands
// between that quote and the next one (or the end); any other text is returned unchanged.
std::wstring TrimQuotes(const std::wstring& text);
