/* A head that registers itself the way a VPlaces head does.
 *
 * DllRegisterServer writes the head's Games list entry (its display name, default value its class
 * id), its class key with InprocServer32 (this file's own path, apartment threaded) and TypeLib,
 * and the rest of its id family, laid out as a VB-made control lays it out: a second class with an
 * InprocServer32 of its own, two interfaces whose TypeLib sub-keys name the type library, and the
 * type library with its "1.0\0\win32" file entry. The family ids differ from the class id only in
 * characters 8 and 9 (counting the brace as 1), which hold the class id's value there plus 1,
 * minus 1, minus 2 and minus 3, as two uppercase hex digits. DllUnregisterServer removes all of it.
 *
 * DllGetClassObject hands out a class factory, as a host loading the control asks for.
 *
 * Compile definitions: HEAD_NAME (display name), HEAD_CLASS_ID (38-character braced class id) and
 * optionally HEAD_NEEDS_COM: the registration then first asks COM for the component categories
 * manager, as controls that record their categories do, and fails with that status when COM is
 * not initialised on the calling thread. Heads that register but do not work as they should:
 * HEAD_NO_GAMES_ENTRY writes no Games list entry (a helper of a head), HEAD_CLASS_UNAVAILABLE has
 * no class factory to give, HEAD_KEEPS_ENTRY leaves its entry behind when it unregisters. */
#include <stdio.h>
#include <string.h>

#include <windows.h>
#ifdef HEAD_NEEDS_COM
#include <comcat.h>
#include <objbase.h>
#endif

#define GAMES_LIST "Software\\CLASSES\\Software\\Ubique\\VPgames32\\"

enum { kIdLength = 38 };

static HMODULE self_module;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) self_module = instance;
  return TRUE;
}

static int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 0;
}

/* The member of the id family that lies offset away from the class id. */
static void family_id(char out[kIdLength + 1], int offset) {
  const char* id = HEAD_CLASS_ID;
  const int b = hex_digit(id[7]) * 16 + hex_digit(id[8]);
  char digits[3];
  memcpy(out, id, kIdLength + 1);
  snprintf(digits, sizeof digits, "%02X", (unsigned)(b + offset) & 0xFFu);
  out[7] = digits[0];
  out[8] = digits[1];
}

/* The head's own file path as a wide string value, so that a path in any script is recorded whole. */
static LONG set_path(HKEY root, const char* path, const wchar_t* value) {
  HKEY key = NULL;
  LONG status = RegCreateKeyExA(root, path, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL);
  if (status != ERROR_SUCCESS) return status;
  status = RegSetValueExW(key, NULL, 0, REG_SZ, (const BYTE*)value, (DWORD)((wcslen(value) + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return status;
}

static LONG set_string(HKEY root, const char* path, const char* name, const char* value) {
  HKEY key = NULL;
  LONG status = RegCreateKeyExA(root, path, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL);
  if (status != ERROR_SUCCESS) return status;
  status = RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)value, (DWORD)strlen(value) + 1);
  RegCloseKey(key);
  return status;
}

/* Key paths of the head's registration, built into one buffer each. */
typedef struct {
  char games_entry[MAX_PATH];
  char class_key[MAX_PATH];
  char server_key[MAX_PATH];
  char typelib_ref_key[MAX_PATH];
  char second_class_key[MAX_PATH];
  char second_server_key[MAX_PATH];
  char interface1_key[MAX_PATH];
  char interface1_typelib_key[MAX_PATH];
  char interface2_key[MAX_PATH];
  char interface2_typelib_key[MAX_PATH];
  char typelib_key[MAX_PATH];
  char typelib_version_key[MAX_PATH];
  char typelib_locale_key[MAX_PATH];
  char typelib_file_key[MAX_PATH];
  char typelib_id[kIdLength + 1];
} HeadKeys;

static void head_keys(HeadKeys* k) {
  char id[kIdLength + 1];
  snprintf(k->games_entry, MAX_PATH, "%s%s", GAMES_LIST, HEAD_NAME);
  snprintf(k->class_key, MAX_PATH, "CLSID\\%s", HEAD_CLASS_ID);
  snprintf(k->server_key, MAX_PATH, "%s\\InprocServer32", k->class_key);
  snprintf(k->typelib_ref_key, MAX_PATH, "%s\\TypeLib", k->class_key);
  family_id(id, +1);
  snprintf(k->second_class_key, MAX_PATH, "CLSID\\%s", id);
  snprintf(k->second_server_key, MAX_PATH, "%s\\InprocServer32", k->second_class_key);
  family_id(id, -1);
  snprintf(k->interface1_key, MAX_PATH, "Interface\\%s", id);
  snprintf(k->interface1_typelib_key, MAX_PATH, "%s\\TypeLib", k->interface1_key);
  family_id(id, -2);
  snprintf(k->interface2_key, MAX_PATH, "Interface\\%s", id);
  snprintf(k->interface2_typelib_key, MAX_PATH, "%s\\TypeLib", k->interface2_key);
  family_id(k->typelib_id, -3);
  snprintf(k->typelib_key, MAX_PATH, "TypeLib\\%s", k->typelib_id);
  snprintf(k->typelib_version_key, MAX_PATH, "%s\\1.0", k->typelib_key);
  snprintf(k->typelib_locale_key, MAX_PATH, "%s\\0", k->typelib_version_key);
  snprintf(k->typelib_file_key, MAX_PATH, "%s\\win32", k->typelib_locale_key);
}

#ifdef HEAD_NEEDS_COM
static HRESULT check_com(void) {
  ICatRegister* categories = NULL;
  HRESULT status = CoCreateInstance(&CLSID_StdComponentCategoriesMgr, NULL, CLSCTX_INPROC_SERVER, &IID_ICatRegister,
                                    (void**)&categories);
  if (SUCCEEDED(status)) categories->lpVtbl->Release(categories);
  return status;
}
#endif

HRESULT STDAPICALLTYPE DllRegisterServer(void) {
  HeadKeys k;
  wchar_t path[MAX_PATH];
  LONG status = ERROR_SUCCESS;
#ifdef HEAD_NEEDS_COM
  const HRESULT com = check_com();
  if (FAILED(com)) return com;
#endif
  head_keys(&k);
  GetModuleFileNameW(self_module, path, MAX_PATH);
#ifndef HEAD_NO_GAMES_ENTRY
  if (!status) status = set_string(HKEY_LOCAL_MACHINE, k.games_entry, NULL, HEAD_CLASS_ID);
#endif
  if (!status) status = set_string(HKEY_CLASSES_ROOT, k.class_key, NULL, HEAD_NAME);
  if (!status) status = set_path(HKEY_CLASSES_ROOT, k.server_key, path);
  if (!status) status = set_string(HKEY_CLASSES_ROOT, k.server_key, "ThreadingModel", "Apartment");
  if (!status) status = set_string(HKEY_CLASSES_ROOT, k.typelib_ref_key, NULL, k.typelib_id);
  if (!status) status = set_string(HKEY_CLASSES_ROOT, k.second_class_key, NULL, HEAD_NAME " Property Page");
  if (!status) status = set_path(HKEY_CLASSES_ROOT, k.second_server_key, path);
  if (!status) status = set_string(HKEY_CLASSES_ROOT, k.interface1_key, NULL, "_" HEAD_NAME);
  if (!status) status = set_string(HKEY_CLASSES_ROOT, k.interface1_typelib_key, NULL, k.typelib_id);
  if (!status) status = set_string(HKEY_CLASSES_ROOT, k.interface2_key, NULL, "__" HEAD_NAME);
  if (!status) status = set_string(HKEY_CLASSES_ROOT, k.interface2_typelib_key, NULL, k.typelib_id);
  if (!status) status = set_string(HKEY_CLASSES_ROOT, k.typelib_key, NULL, HEAD_NAME " Library");
  if (!status) status = set_path(HKEY_CLASSES_ROOT, k.typelib_file_key, path);
  return HRESULT_FROM_WIN32(status);
}

/* RegDeleteKeyA refuses a key that still has sub-keys: each sub-key comes before its parent. */
HRESULT STDAPICALLTYPE DllUnregisterServer(void) {
  HeadKeys k;
  const char* const class_keys[] = {
      k.server_key, k.typelib_ref_key, k.class_key,
      k.second_server_key, k.second_class_key,
      k.interface1_typelib_key, k.interface1_key,
      k.interface2_typelib_key, k.interface2_key,
      k.typelib_file_key, k.typelib_locale_key, k.typelib_version_key, k.typelib_key};
  size_t i;
  head_keys(&k);
#ifndef HEAD_KEEPS_ENTRY
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, k.games_entry);
#endif
  for (i = 0; i < sizeof class_keys / sizeof class_keys[0]; ++i) RegDeleteKeyA(HKEY_CLASSES_ROOT, class_keys[i]);
  return S_OK;
}

/* One class factory for every class of the head; it makes no objects, which no test asks for. */
static const GUID iid_unknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
static const GUID iid_class_factory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

static HRESULT STDMETHODCALLTYPE factory_query(IClassFactory* self, REFIID iid, void** out) {
  if (!memcmp(iid, &iid_unknown, sizeof(GUID)) || !memcmp(iid, &iid_class_factory, sizeof(GUID))) {
    *out = self;
    return S_OK;
  }
  *out = NULL;
  return E_NOINTERFACE;
}
static ULONG STDMETHODCALLTYPE factory_add_ref(IClassFactory* self) { (void)self; return 2; }
static ULONG STDMETHODCALLTYPE factory_release(IClassFactory* self) { (void)self; return 1; }
static HRESULT STDMETHODCALLTYPE factory_create(IClassFactory* self, IUnknown* outer, REFIID iid, void** out) {
  (void)self; (void)outer; (void)iid;
  *out = NULL;
  return E_NOTIMPL;
}
static HRESULT STDMETHODCALLTYPE factory_lock(IClassFactory* self, BOOL lock) { (void)self; (void)lock; return S_OK; }

static IClassFactoryVtbl factory_methods = {factory_query, factory_add_ref, factory_release, factory_create, factory_lock};
static IClassFactory factory = {&factory_methods};

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID id, REFIID iid, void** out) {
  (void)id;
#ifdef HEAD_CLASS_UNAVAILABLE
  (void)iid;
  (void)factory;
  *out = NULL;
  return CLASS_E_CLASSNOTAVAILABLE;
#else
  return factory_query(&factory, iid, out);
#endif
}
