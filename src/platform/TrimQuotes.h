#pragma once
#include <string>

// The command text trimmed to one path: a text that starts with a double quote yields what stands
// between that quote and the next one (or the end); any other text is returned unchanged.
std::wstring TrimQuotes(const std::wstring& text);

// The arguments of a command line: what follows the program's own path (quoted up to its closing
// quote, else up to the first blank) and the blanks after it.
const wchar_t* SkipProgramPath(const wchar_t* commandLine);
