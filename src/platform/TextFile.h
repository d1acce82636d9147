#pragma once
// A text file written whole: UTF-16LE after a byte order mark, as the registry editor reads .reg files.
#include <string>

#include <windows.h>

namespace platform {

// Writes text into the file (creation: CREATE_NEW or CREATE_ALWAYS) and flushes it; a file that could
// not be written whole is deleted again. The system's error code, ERROR_SUCCESS when written.
DWORD WriteUtf16File(const std::wstring& path, const std::wstring& text, DWORD creation);

}  // namespace platform
