/* A head that imports from a library beside it (HeadDep.c) at link time: Windows loads it only
 * when it finds that library, and its entry points succeed only when they can call it. */
#include <windows.h>

#ifndef NEEDS_FUNCTION
#define NEEDS_FUNCTION headdep_answer
#endif

__declspec(dllimport) int NEEDS_FUNCTION(void);

static HRESULT check_answer(void) { return NEEDS_FUNCTION() == 42 ? S_OK : E_FAIL; }

HRESULT STDAPICALLTYPE DllRegisterServer(void) { return check_answer(); }

HRESULT STDAPICALLTYPE DllUnregisterServer(void) { return check_answer(); }
