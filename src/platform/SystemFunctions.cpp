#include "platform/SystemFunctions.h"

#include <ole2.h>
#include <shlobj.h>
#include <winver.h>

namespace platform {
namespace {

// The address of `name` in the system DLL `dll`, typed as the function declared for it; null when
// either is missing. The DLL stays loaded for the rest of the process.
template <typename Function>
Function* Find(const wchar_t* dll, const char* name) {
  HMODULE module = GetModuleHandleW(dll);
  if (!module) module = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!module) return nullptr;
  // Through the generic function pointer type: FARPROC differs from every real signature.
  return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

constexpr wchar_t kComDlg[] = L"comdlg32.dll";
constexpr wchar_t kOle[] = L"ole32.dll";
constexpr wchar_t kShell[] = L"shell32.dll";
constexpr wchar_t kVersion[] = L"version.dll";

}  // namespace

BOOL GetOpenFileNameW(OPENFILENAMEW* dialog) {
  static const auto function = Find<decltype(::GetOpenFileNameW)>(kComDlg, "GetOpenFileNameW");
  return function ? function(dialog) : FALSE;
}

BOOL GetSaveFileNameW(OPENFILENAMEW* dialog) {
  static const auto function = Find<decltype(::GetSaveFileNameW)>(kComDlg, "GetSaveFileNameW");
  return function ? function(dialog) : FALSE;
}

HRESULT OleInitialize() {
  static const auto function = Find<decltype(::OleInitialize)>(kOle, "OleInitialize");
  return function ? function(nullptr) : E_NOTIMPL;
}

void OleUninitialize() {
  static const auto function = Find<decltype(::OleUninitialize)>(kOle, "OleUninitialize");
  if (function) function();
}

HRESULT CLSIDFromString(const wchar_t* text, CLSID* id) {
  static const auto function = Find<decltype(::CLSIDFromString)>(kOle, "CLSIDFromString");
  return function ? function(text, id) : E_NOTIMPL;
}

HRESULT CoGetClassObject(REFCLSID id, DWORD context, COSERVERINFO* server, REFIID interfaceId, void** object) {
  static const auto function = Find<decltype(::CoGetClassObject)>(kOle, "CoGetClassObject");
  return function ? function(id, context, server, interfaceId, object) : E_NOTIMPL;
}

UINT DragQueryFileW(HDROP drop, UINT index, wchar_t* name, UINT nameChars) {
  static const auto function = Find<decltype(::DragQueryFileW)>(kShell, "DragQueryFileW");
  return function ? function(drop, index, name, nameChars) : 0;
}

void DragFinish(HDROP drop) {
  static const auto function = Find<decltype(::DragFinish)>(kShell, "DragFinish");
  if (function) function(drop);
}

void SHChangeNotify(LONG eventId, UINT flags, const void* item1, const void* item2) {
  static const auto function = Find<decltype(::SHChangeNotify)>(kShell, "SHChangeNotify");
  if (function) function(eventId, flags, item1, item2);
}

HINSTANCE ShellExecuteW(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                        const wchar_t* folder, int show) {
  static const auto function = Find<decltype(::ShellExecuteW)>(kShell, "ShellExecuteW");
  // A value of 32 or less is a failure; this one says that the function was not there.
  return function ? function(owner, verb, file, parameters, folder, show)
                  : reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_DLLNOTFOUND));
}

BOOL ShellExecuteExW(SHELLEXECUTEINFOW* start) {
  static const auto function = Find<decltype(::ShellExecuteExW)>(kShell, "ShellExecuteExW");
  if (function) return function(start);
  SetLastError(ERROR_PROC_NOT_FOUND);
  return FALSE;
}

DWORD GetFileVersionInfoSizeW(const wchar_t* path, DWORD* handle) {
  static const auto function = Find<decltype(::GetFileVersionInfoSizeW)>(kVersion, "GetFileVersionInfoSizeW");
  return function ? function(path, handle) : 0;
}

BOOL GetFileVersionInfoW(const wchar_t* path, DWORD handle, DWORD size, void* block) {
  static const auto function = Find<decltype(::GetFileVersionInfoW)>(kVersion, "GetFileVersionInfoW");
  return function ? function(path, handle, size, block) : FALSE;
}

}  // namespace platform
