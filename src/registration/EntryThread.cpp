#include "registration/EntryThread.h"

#include <atomic>

#include <ole2.h>

#include "app/AnsiText.h"
#include "registration/RegRules.h"

namespace registration {

namespace {

// ---------------------------------------------------------------- fault containment
//
// A vectored handler sees every exception of the process first. It acts only on a thread that
// runs an entry point (its EntryCall sits in the thread-local slot) and only on hardware faults,
// which a head does not raise on purpose: it sends the thread to LandAfterFault, which ends it.
// Being first, it also pre-empts a head that would catch such a fault itself; a head that relies
// on that is reported as faulted.

DWORD g_callSlot = TLS_OUT_OF_INDEXES;

bool IsHardwareFault(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_STACK_OVERFLOW:
      return true;
    default:
      return false;
  }
}

EntryCall* CurrentCall() {
  if (g_callSlot == TLS_OUT_OF_INDEXES) return nullptr;
  const DWORD lastError = GetLastError();  // TlsGetValue clears it; the faulting code may need it
  auto* call = static_cast<EntryCall*>(TlsGetValue(g_callSlot));
  SetLastError(lastError);
  return call;
}

// Where a faulted worker thread resumes: it ends the thread at once. The frames of the entry point
// are abandoned; OLE is not uninitialised here (the fault may have left it inconsistent), the
// thread's detach clean-up releases its apartment.
[[noreturn]] void WINAPI LandAfterFault() { ExitThread(CurrentCall()->faultCode); }

// Resumes the faulting thread in LandAfterFault, on its own stack below the faulting frame,
// aligned as right after a call instruction.
void RedirectToLanding(CONTEXT& context) {
  const auto landing = reinterpret_cast<ULONG_PTR>(&LandAfterFault);
#if defined(_M_X64) || defined(__x86_64__)
  context.Rsp = ((context.Rsp - 256) & ~DWORD64{15}) - 8;
  context.Rip = landing;
#elif defined(_M_IX86) || defined(__i386__)
  context.Esp = ((context.Esp - 256) & ~DWORD{15}) - 4;
  context.Eip = static_cast<DWORD>(landing);
#else
#error "fault containment knows the x86 and x64 contexts only"
#endif
}

LONG CALLBACK ContainWorkerFault(EXCEPTION_POINTERS* info) {
  EntryCall* call = CurrentCall();
  const DWORD code = info->ExceptionRecord->ExceptionCode;
  // A second fault on the way out is not contained again: that would loop.
  if (!call || call->faultCode != 0 || !IsHardwareFault(code)) return EXCEPTION_CONTINUE_SEARCH;
  call->faultCode = code;
  RedirectToLanding(*info->ContextRecord);
  return EXCEPTION_CONTINUE_EXECUTION;
}

void InstallFaultContainment() {
  static const bool installed = [] {
    g_callSlot = TlsAlloc();
    return g_callSlot != TLS_OUT_OF_INDEXES && AddVectoredExceptionHandler(1, &ContainWorkerFault) != nullptr;
  }();
  (void)installed;
}

// ---------------------------------------------------------------- outcome

std::wstring SystemMessage(DWORD status) {
  char* text = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, status, 0,
      reinterpret_cast<char*>(&text), 0, nullptr);
  std::wstring message = n > 0 && text ? FromAnsi(std::string(text, n)) : std::wstring();
  if (text) LocalFree(text);
  return message;
}

// ---------------------------------------------------------------- release after a time-out

struct PendingRelease {
  HANDLE thread = nullptr;
  HMODULE library = nullptr;
  std::unique_ptr<EntryCall> call;
  HANDLE wait = nullptr;
  std::atomic<int> arrivals{0};
};

// Both the registration of the wait and its callback arrive here; the second one unregisters the
// wait and deletes the record (the callback may even run before the registration has returned).
void Arrive(PendingRelease* pending) {
  if (pending->arrivals.fetch_add(1, std::memory_order_acq_rel) == 1) {
    UnregisterWait(pending->wait);
    delete pending;
  }
}

VOID CALLBACK ReleaseEndedThread(void* param, BOOLEAN /*timedOut*/) {
  auto* pending = static_cast<PendingRelease*>(param);
  CloseHandle(pending->thread);
  FreeLibrary(pending->library);
  pending->call.reset();
  Arrive(pending);
}

}  // namespace

DWORD WINAPI RunEntryPoint(void* param) {
  auto* call = static_cast<EntryCall*>(param);
  InstallFaultContainment();
  if (g_callSlot != TLS_OUT_OF_INDEXES) TlsSetValue(g_callSlot, call);
  const HRESULT ole = OleInitialize(nullptr);
  const HRESULT status = call->entry();
  if (SUCCEEDED(ole)) OleUninitialize();
  if (g_callSlot != TLS_OUT_OF_INDEXES) TlsSetValue(g_callSlot, nullptr);
  return static_cast<DWORD>(status);
}

std::wstring OutcomeLine(HANDLE thread, const EntryCall& call) {
  if (call.faultCode != 0) return FaultLine(call.faultCode);
  DWORD status = 0;
  GetExitCodeThread(thread, &status);
  return StatusLine(status, IsSuccessStatus(status) ? std::wstring() : SystemMessage(status));
}

void ReleaseWhenEnded(HANDLE thread, HMODULE library, std::unique_ptr<EntryCall> call) {
  auto* pending = new PendingRelease;
  pending->thread = thread;
  pending->library = library;
  pending->call = std::move(call);
  if (!RegisterWaitForSingleObject(&pending->wait, thread, &ReleaseEndedThread, pending, INFINITE,
                                   WT_EXECUTEONLYONCE)) {
    // Nothing will tell when the thread ends: keep its library and handle for the life of the
    // process rather than unload under a running thread.
    (void)pending->call.release();
    pending->thread = nullptr;
    delete pending;
    return;
  }
  Arrive(pending);
}

}  // namespace registration
