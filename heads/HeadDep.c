/* A plain library a head imports from (NeedsDep.c). It lies next to the heads only, so the head
 * loads only when its own folder is searched for its imports. Built as well as an older version
 * without that function (HEADDEP_OLD), and as the middle of a chain of imports (HEADDEP_CHAIN).
 * Its functions are plain C, so that 32-bit builds export their plain names too. */
#include <windows.h>

#if defined(HEADDEP_OLD)
__declspec(dllexport) int headdep_previous(void) { return 41; }
#elif defined(HEADDEP_CHAIN)
__declspec(dllimport) int headdep_answer(void);
__declspec(dllexport) int chainmid_answer(void) { return headdep_answer(); }
#else
__declspec(dllexport) int headdep_answer(void) { return 42; }
#endif
