#include "platform/HandOffProof.h"

#include <ntsecapi.h>

#include "platform/ObjectSecurity.h"

namespace platform {
namespace {

BYTE g_proof[kProofBytes] = {};
bool g_published = false;

// The section of the process: "Local\VeskGameHeadInstaller.HandOff.<process id>".
struct SectionName {
  explicit SectionName(DWORD processId) { wsprintfW(text, L"Local\\VeskGameHeadInstaller.HandOff.%lu", processId); }
  wchar_t text[64];
};

}  // namespace

void PublishProof() {
  if (g_published || !RtlGenRandom(g_proof, sizeof g_proof)) return;
  platform::SessionObjectSecurity security(FILE_MAP_READ);
  const HANDLE section = CreateFileMappingW(INVALID_HANDLE_VALUE, security.Attributes(), PAGE_READWRITE, 0,
                                            kProofBytes, SectionName(GetCurrentProcessId()).text);
  // A section that was there before is not this process's: its content may be anyone's.
  if (!section || GetLastError() == ERROR_ALREADY_EXISTS) {
    if (section) CloseHandle(section);
    return;
  }
  void* view = MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, kProofBytes);
  if (!view) {
    CloseHandle(section);
    return;
  }
  memcpy(view, g_proof, kProofBytes);
  UnmapViewOfFile(view);
  g_published = true;  // the section stays open as long as the process lives
}

std::string ProofOf(HWND window) {
  DWORD processId = 0;
  const HANDLE section = GetWindowThreadProcessId(window, &processId)
                             ? OpenFileMappingW(FILE_MAP_READ, FALSE, SectionName(processId).text)
                             : nullptr;
  const void* view = section ? MapViewOfFile(section, FILE_MAP_READ, 0, 0, kProofBytes) : nullptr;
  std::string proof(view ? static_cast<const char*>(view) : "", view ? kProofBytes : 0);
  if (view) UnmapViewOfFile(view);
  if (section) CloseHandle(section);
  return proof;
}

bool IsOwnProof(const void* bytes, std::size_t size) {
  return g_published && size == kProofBytes && memcmp(bytes, g_proof, kProofBytes) == 0;
}

}  // namespace platform
