/* A head that imports from the library beside it (HeadDep.c) at link time: Windows loads it only
 * when it finds headdep.dll, and its entry points succeed only when they can call it. */
#include <windows.h>

__declspec(dllimport) int __stdcall headdep_answer(void);

static HRESULT check_answer(void) { return headdep_answer() == 42 ? S_OK : E_FAIL; }

HRESULT STDAPICALLTYPE DllRegisterServer(void) { return check_answer(); }

HRESULT STDAPICALLTYPE DllUnregisterServer(void) { return check_answer(); }
