/* A plain library a head imports from (NeedsDep.c). It lies next to the heads only, so the head
 * loads only when its own folder is searched for its imports. */
#include <windows.h>

__declspec(dllexport) int __stdcall headdep_answer(void) { return 42; }
