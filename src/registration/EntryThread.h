#pragma once
// The worker thread that runs one self-registration entry point of a loaded head file, and what
// becomes of it afterwards.
#include <memory>
#include <string>

#include <windows.h>

namespace registration {

// DllRegisterServer and DllUnregisterServer: no argument, a 32-bit status.
using EntryPoint = HRESULT(STDAPICALLTYPE*)();

// What the worker thread shares with the thread that started it. The starter reads it only after
// the worker thread has ended.
struct EntryCall {
  EntryPoint entry = nullptr;
  DWORD faultCode = 0;  // the hardware exception that ended the entry point; 0 when none did
};

// Start routine of the worker thread; its parameter is the EntryCall. OLE is initialised on the
// thread around the entry point, since controls that use COM while they register fail without it.
// A hardware fault inside the entry point (access violation and the like) is contained on this
// thread: the thread ends with the exception code as its exit code and records it in faultCode.
// Otherwise the exit code is the entry point's status.
DWORD WINAPI RunEntryPoint(void* call);

// The panel line for a worker thread that has ended: success, failure status or fault.
std::wstring OutcomeLine(HANDLE thread, const EntryCall& call);

// For a worker thread that did not end in time: its library stays loaded; once the thread has
// ended, its handle is closed, the library freed and call deleted, on a thread-pool thread.
void ReleaseWhenEnded(HANDLE thread, HMODULE library, std::unique_ptr<EntryCall> call);

}  // namespace registration
