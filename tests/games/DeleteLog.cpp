#include "DeleteLog.h"

#include <cstring>
#include <ostream>

#include <gtest/gtest.h>

namespace {

using DeleteFn = LSTATUS(WINAPI*)(HKEY, LPCSTR);

std::vector<LoggedDelete> g_entries;
DeleteFn g_original = nullptr;

LSTATUS WINAPI RecordingDelete(HKEY root, LPCSTR path) {
  g_entries.push_back({root, path ? path : ""});
  return g_original(root, path);
}

// The import address slot of function from dll in this program's import table.
void** ImportSlot(const char* dll, const char* function) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
  const auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name; ++imp) {
    if (_stricmp(reinterpret_cast<char*>(base + imp->Name), dll) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
        return reinterpret_cast<void**>(&slots->u1.Function);
    }
  }
  return nullptr;
}

void WriteSlot(void** slot, void* value) {
  DWORD old = 0;
  VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
  *slot = value;
  VirtualProtect(slot, sizeof *slot, old, &old);
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const LoggedDelete& d) {
  const char* root = d.root == HKEY_CLASSES_ROOT    ? "HKCR"
                     : d.root == HKEY_LOCAL_MACHINE ? "HKLM"
                     : d.root == HKEY_CURRENT_USER  ? "HKCU"
                                                    : "other";
  return out << root << "\\" << d.path;
}

DeleteLog::DeleteLog() {
  g_entries.clear();
  void** slot = ImportSlot("advapi32.dll", "RegDeleteKeyA");
  if (!slot) {
    ADD_FAILURE() << "RegDeleteKeyA is not imported by this program";
    return;
  }
  g_original = reinterpret_cast<DeleteFn>(*slot);
  WriteSlot(slot, reinterpret_cast<void*>(&RecordingDelete));
}

DeleteLog::~DeleteLog() {
  if (void** slot = ImportSlot("advapi32.dll", "RegDeleteKeyA"); slot && g_original)
    WriteSlot(slot, reinterpret_cast<void*>(g_original));
}

const std::vector<LoggedDelete>& DeleteLog::Entries() const { return g_entries; }
