#pragma once
// The check after an entry point, run in the worker: what the host will find of the head in the
// Games list, and whether the classes it names load as the host loads them. It reads the registry
// and changes nothing.
#include <string>
#include <vector>

#include <windows.h>

namespace registration {

// A Games list entry whose class's server (in this program's registry view, expanded) is the
// head's file, compared as long full paths in any case.
struct ServedEntry {
  std::wstring name;
  std::wstring classId;
};
// The list is read until deadline (GetTickCount64); finished, when given, says whether it was read whole.
std::vector<ServedEntry> EntriesServedBy(const std::wstring& headPath, ULONGLONG deadline, bool* finished = nullptr);

struct CheckReport {
  std::vector<std::wstring> lines;
  bool failed = false;
};

// After the head registered: each entry naming it, and whether its class loads in process.
CheckReport CheckRegistered(const std::wstring& headPath, ULONGLONG deadline);
// After the head unregistered: each entry that named it before, gone or still in the list.
CheckReport CheckUnregistered(const std::vector<ServedEntry>& before);

}  // namespace registration
