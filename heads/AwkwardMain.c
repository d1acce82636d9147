/* A library whose DllMain misbehaves, one way per build:
 *   MAIN_LOAD_SLEEP_MS=n    sleeps n milliseconds while the library is being loaded;
 *   MAIN_UNLOAD_SLEEP_MS=n  sleeps n milliseconds while it is being unloaded;
 *   MAIN_LOAD_FAULT         writes through a null pointer while it is being loaded.
 * Built as a head its entry points return success at once; built as a plain library
 * (HEAD_NO_ENTRY_POINTS) it has none. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reserved;
#if defined(MAIN_LOAD_SLEEP_MS)
  if (reason == DLL_PROCESS_ATTACH) Sleep(MAIN_LOAD_SLEEP_MS);
#elif defined(MAIN_UNLOAD_SLEEP_MS)
  if (reason == DLL_PROCESS_DETACH) Sleep(MAIN_UNLOAD_SLEEP_MS);
#elif defined(MAIN_LOAD_FAULT)
  if (reason == DLL_PROCESS_ATTACH) {
    /* volatile: the compiler may not see that the pointer is null and turn the write into a trap. */
    static int* volatile nowhere = NULL;
    *nowhere = 1;
  }
#else
#error "choose one misbehaviour"
#endif
  return TRUE;
}

#ifndef HEAD_NO_ENTRY_POINTS
HRESULT STDAPICALLTYPE DllRegisterServer(void) { return S_OK; }

HRESULT STDAPICALLTYPE DllUnregisterServer(void) { return S_OK; }
#endif
