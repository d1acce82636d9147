/* A head whose entry points misbehave, one way per build:
 *   AWKWARD_SLEEP_MS=n  runs n milliseconds before it returns success;
 *   AWKWARD_STATUS=hr   returns the failure status hr at once;
 *   AWKWARD_FAULT       writes through a null pointer (an access violation). */
#include <windows.h>

static HRESULT misbehave(void) {
#if defined(AWKWARD_SLEEP_MS)
  Sleep(AWKWARD_SLEEP_MS);
  return S_OK;
#elif defined(AWKWARD_STATUS)
  return AWKWARD_STATUS;
#elif defined(AWKWARD_FAULT)
  /* volatile: the compiler may not see that the pointer is null and turn the write into a trap. */
  static int* volatile nowhere = NULL;
  *nowhere = 1;
  return S_OK;
#else
#error "choose one misbehaviour"
#endif
}

HRESULT STDAPICALLTYPE DllRegisterServer(void) { return misbehave(); }

HRESULT STDAPICALLTYPE DllUnregisterServer(void) { return misbehave(); }
