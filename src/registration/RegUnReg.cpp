// The registration worker: makes a head file register or unregister itself by running its
// self-registration entry point on a worker thread, and reports the outcome in the panel.
#include <memory>
#include <new>
#include <string>

#include "app/AnsiText.h"
#include "app/frmMain.h"
#include "app/modInstaller.h"
#include "registration/EntryThread.h"
#include "registration/RegRules.h"

namespace {

constexpr DWORD kEntryPointTimeLimitMs = 10000;

// A fault of the worker itself goes to the error reporter as "<number> - <description>".
void ReportFault(frmMain& form, const RunTimeError& err) {
  form.ErrMsgProc(std::to_wstring(err.Number) + L" - " + err.Description, err);
}

registration::EntryPoint AsEntryPoint(FARPROC address) {
  // Through the generic function pointer type: the entry point's own type differs from FARPROC.
  return reinterpret_cast<registration::EntryPoint>(reinterpret_cast<void (*)()>(address));
}

}  // namespace

void frmMain::RegUnReg(std::wstring inFileSpec, const std::wstring& inHandle) {
  try {
    // A file the probe misses (hidden, for example) may still load: note it and go on.
    if (!modInstaller::FileProbe(inFileSpec))
      AppendStatus(L"File not found...");
    else
      inFileSpec = modInstaller::GetLongPath(inFileSpec);

    HMODULE library = LoadLibraryA(ToAnsi(inFileSpec).c_str());
    if (!library) {
      AppendStatus(L"Failure loading control OCX/DLL");
      return;
    }
    const char* entryName = registration::EntryPointName(inHandle);
    if (!entryName) {
      AppendStatus(L"Unknown command handle");
      FreeLibrary(library);
      return;
    }

    HANDLE thread = nullptr;
    auto call = std::make_unique<registration::EntryCall>();
    call->entry = AsEntryPoint(GetProcAddress(library, entryName));
    if (call->entry) {
      SetBusyPointer(true);
      DWORD threadId = 0;
      thread = CreateThread(nullptr, 0, &registration::RunEntryPoint, call.get(), 0, &threadId);
    }
    if (!thread) {
      SetBusyPointer(false);
      AppendStatus(L"Process failed in obtaining entry point or creating thread.");
      FreeLibrary(library);
      return;
    }

    // The user-interface thread is blocked for the whole wait.
    if (WaitForSingleObject(thread, kEntryPointTimeLimitMs) == WAIT_OBJECT_0) {
      const std::wstring outcome = registration::OutcomeLine(thread, *call);
      CloseHandle(thread);
      FreeLibrary(library);
      SetBusyPointer(false);
      AppendStatus(outcome);
      return;
    }
    // The thread may still run inside the library: both are released only once it has ended.
    registration::ReleaseWhenEnded(thread, library, std::move(call));
    SetBusyPointer(false);
    AppendStatus(L"Process failed in signaled state or time-out.");
  } catch (const std::bad_alloc&) {
    ReportFault(*this, {7, L"RegUnReg", L"Out of memory"});
  } catch (const std::exception& fault) {
    ReportFault(*this, {5, L"RegUnReg", FromAnsi(fault.what())});
  }
}
