#include "platform/TextFile.h"

namespace platform {

DWORD WriteUtf16File(const std::wstring& path, const std::wstring& text, DWORD creation) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  const std::wstring content = L"\xFEFF" + text;
  const DWORD bytes = static_cast<DWORD>(content.size() * sizeof(wchar_t));
  DWORD written = 0;
  DWORD error = WriteFile(file, content.data(), bytes, &written, nullptr) && FlushFileBuffers(file)
                    ? (written == bytes ? ERROR_SUCCESS : ERROR_HANDLE_DISK_FULL)
                    : GetLastError();
  if (!CloseHandle(file) && error == ERROR_SUCCESS) error = GetLastError();
  if (error != ERROR_SUCCESS) DeleteFileW(path.c_str());
  return error;
}

}  // namespace platform
