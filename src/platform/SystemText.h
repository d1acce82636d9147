#pragma once
// The system's own text for an error or status code, without its line end; empty when it has none.
#include <string>

#include <windows.h>

std::wstring SystemText(DWORD code);
