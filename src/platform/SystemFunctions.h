#pragma once
// Functions of the system DLLs that only some commands need (the file dialog, OLE, the shell and
// version information). Each DLL is loaded from the system folder when one of its functions is first
// called, so that start-up loads no more than a plain window does. The addresses come from
// GetProcAddress and nowhere else: both builds find them the same way. A function that cannot be
// had returns what its own failure returns.
#include <windows.h>

#include <commdlg.h>
#include <objbase.h>
#include <shellapi.h>

namespace platform {

BOOL GetOpenFileNameW(OPENFILENAMEW* dialog);
BOOL GetSaveFileNameW(OPENFILENAMEW* dialog);
HRESULT OleInitialize();
void OleUninitialize();
HRESULT CLSIDFromString(const wchar_t* text, CLSID* id);
HRESULT CoGetClassObject(REFCLSID id, DWORD context, COSERVERINFO* server, REFIID interfaceId, void** object);
UINT DragQueryFileW(HDROP drop, UINT index, wchar_t* name, UINT nameChars);
void DragFinish(HDROP drop);
void SHChangeNotify(LONG eventId, UINT flags, const void* item1, const void* item2);
HINSTANCE ShellExecuteW(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                        const wchar_t* folder, int show);
BOOL ShellExecuteExW(SHELLEXECUTEINFOW* start);
DWORD GetFileVersionInfoSizeW(const wchar_t* path, DWORD* handle);
BOOL GetFileVersionInfoW(const wchar_t* path, DWORD handle, DWORD size, void* block);

}  // namespace platform
