/* A head whose entry points misbehave, one way per build:
 *   AWKWARD_SLEEP_MS=n     runs n milliseconds before it returns success;
 *   AWKWARD_STATUS=hr      returns the failure status hr at once;
 *   AWKWARD_FAULT          writes through a null pointer (an access violation);
 *   AWKWARD_EXIT_PROCESS=n ends the whole process with exit code n;
 *   AWKWARD_EXIT_THREAD    unloads itself and ends the calling thread;
 *   AWKWARD_THROW          raises the exception a C++ throw raises, which nobody catches;
 *   AWKWARD_BREAK          hits a breakpoint;
 *   AWKWARD_PROBE          probes an unreadable address the way the system checks a pointer, a
 *                          fault the system handles itself, then returns success;
 *   AWKWARD_ASK            asks the user a question in a message box and returns success once
 *                          it is closed;
 *   AWKWARD_LOAD=L"f.dll"  loads the library f.dll from its own folder and returns success (or
 *                          the loader's error);
 *   AWKWARD_LOAD_BY_NAME=L"f.dll"  makes the folder named by the variable VESK_PLANT_CWD current
 *                          (when it is set), loads f.dll by its name alone, writes into plant.txt
 *                          beside it the full path of the file loaded and returns success (or the
 *                          loader's error);
 *   AWKWARD_TYPELIB=L"f"   registers the type library file f beside it with RegisterTypeLib;
 *   AWKWARD_WHERE          writes into where.txt beside it the current folder of the process that
 *                          runs it, a blank, and 128 when that process was started without the busy
 *                          pointer (STARTF_FORCEOFFFEEDBACK), else 0; returns success.
 * With AWKWARD_WRITES_FIRST, DllRegisterServer first writes a class key, a machine key and a user key
 * ("Awkward" below HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE\Software and HKEY_CURRENT_USER\Software). */
#include <windows.h>

/* The code of the exception a C++ throw raises ("msc" with the top bits set). */
#define CPP_THROW_CODE 0xE06D7363u

#if defined(AWKWARD_EXIT_THREAD) || defined(AWKWARD_LOAD) || defined(AWKWARD_WHERE) || defined(AWKWARD_LOAD_BY_NAME) || \
    defined(AWKWARD_TYPELIB)
/* This library's handle, found from the address of a variable of its own; no reference taken. */
static HMODULE own_module(void) {
  static const char inside = 0;
  HMODULE module = NULL;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     (LPCWSTR)&inside, &module);
  return module;
}
#endif

#if defined(AWKWARD_LOAD) || defined(AWKWARD_TYPELIB)
/* The file name beside this library, in path (MAX_PATH characters); FALSE when it does not fit. */
static BOOL neighbour(wchar_t* path, const wchar_t* name) {
  const DWORD length = GetModuleFileNameW(own_module(), path, MAX_PATH);
  DWORD folder = length;
  if (length == 0 || length >= MAX_PATH) return FALSE;
  while (folder > 0 && path[folder - 1] != L'\\' && path[folder - 1] != L'/') --folder;
  if (folder + lstrlenW(name) >= MAX_PATH) return FALSE;
  lstrcpyW(path + folder, name);
  return TRUE;
}
#endif

#if defined(AWKWARD_TYPELIB)
#include <oleauto.h>
/* Registers the type library file beside it through the system's type library functions. */
static HRESULT register_typelib(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  ITypeLib* library = NULL;
  HRESULT status;
  if (!neighbour(path, name)) return E_FAIL;
  status = LoadTypeLibEx(path, REGKIND_NONE, &library);
  if (FAILED(status)) return status;
  status = RegisterTypeLib(library, path, NULL);
  library->lpVtbl->Release(library);
  return status;
}
#endif

#if defined(AWKWARD_LOAD)
static HRESULT load_neighbour(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  HMODULE library;
  if (!neighbour(path, name)) return E_FAIL;
  library = LoadLibraryW(path);
  if (!library) return HRESULT_FROM_WIN32(GetLastError());
  FreeLibrary(library);
  return S_OK;
}
#endif

#if defined(AWKWARD_LOAD_BY_NAME)
static HRESULT load_by_name(const wchar_t* name) {
  wchar_t current[MAX_PATH];
  char path[MAX_PATH], loaded[MAX_PATH];
  DWORD folder = GetModuleFileNameA(own_module(), path, MAX_PATH), written = 0, n;
  HMODULE library;
  HANDLE file;
  n = GetEnvironmentVariableW(L"VESK_PLANT_CWD", current, MAX_PATH);
  if (n > 0 && n < MAX_PATH && !SetCurrentDirectoryW(current)) return E_UNEXPECTED;
  library = LoadLibraryW(name);
  if (!library) return HRESULT_FROM_WIN32(GetLastError());
  n = GetModuleFileNameA(library, loaded, MAX_PATH);
  FreeLibrary(library);
  while (folder > 0 && path[folder - 1] != '\\') --folder;
  if (n == 0 || n >= MAX_PATH || folder + 10 > MAX_PATH) return E_FAIL;
  lstrcpyA(path + folder, "plant.txt");
  file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return E_FAIL;
  WriteFile(file, loaded, n, &written, NULL);
  CloseHandle(file);
  return S_OK;
}
#endif

#if defined(AWKWARD_WHERE)
static HRESULT report_where(void) {
  char path[MAX_PATH], text[MAX_PATH + 8];
  STARTUPINFOA startup;
  DWORD folder = GetModuleFileNameA(own_module(), path, MAX_PATH), written = 0;
  HANDLE file;
  while (folder > 0 && path[folder - 1] != '\\') --folder;
  if (folder + 10 > MAX_PATH || GetCurrentDirectoryA(MAX_PATH, text) >= MAX_PATH) return E_FAIL;
  lstrcpyA(path + folder, "where.txt");
  GetStartupInfoA(&startup);
  lstrcatA(text, (startup.dwFlags & STARTF_FORCEOFFFEEDBACK) ? " 128" : " 0");
  file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return E_FAIL;
  WriteFile(file, text, (DWORD)lstrlenA(text), &written, NULL);
  CloseHandle(file);
  return S_OK;
}
#endif

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
#elif defined(AWKWARD_EXIT_PROCESS)
  ExitProcess(AWKWARD_EXIT_PROCESS);
#elif defined(AWKWARD_EXIT_THREAD)
  /* Drops the reference the caller's LoadLibrary took, so the caller's own FreeLibrary later
     finds the module gone. */
  FreeLibraryAndExitThread(own_module(), 0);
#elif defined(AWKWARD_THROW)
  RaiseException(CPP_THROW_CODE, 0, 0, NULL);
  return S_OK;
#elif defined(AWKWARD_BREAK)
  DebugBreak();
  return S_OK;
#elif defined(AWKWARD_PROBE)
  /* The probe's result does not matter: only that the fault it causes is handled inside it. */
  static const void* volatile unreadable = (const void*)16;
  (void)IsBadReadPtr(unreadable, 4);
  return S_OK;
#elif defined(AWKWARD_ASK)
  MessageBoxW(NULL, L"Do you want to go on?", L"Awkward head question", MB_OK | MB_ICONQUESTION);
  return S_OK;
#elif defined(AWKWARD_LOAD)
  return load_neighbour(AWKWARD_LOAD);
#elif defined(AWKWARD_WHERE)
  return report_where();
#elif defined(AWKWARD_LOAD_BY_NAME)
  return load_by_name(AWKWARD_LOAD_BY_NAME);
#elif defined(AWKWARD_TYPELIB)
  return register_typelib(AWKWARD_TYPELIB);
#else
#error "choose one misbehaviour"
#endif
}

HRESULT STDAPICALLTYPE DllRegisterServer(void) {
#if defined(AWKWARD_WRITES_FIRST)
  RegSetValueA(HKEY_CLASSES_ROOT, "Awkward", REG_SZ, "was here", 8);
  RegSetValueA(HKEY_LOCAL_MACHINE, "Software\\Awkward", REG_SZ, "was here", 8);
  RegSetValueA(HKEY_CURRENT_USER, "Software\\Awkward", REG_SZ, "was here", 8);
#endif
  return misbehave();
}

HRESULT STDAPICALLTYPE DllUnregisterServer(void) { return misbehave(); }
