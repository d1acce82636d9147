#pragma once
// What a head registers, saved as a .reg file without installing it: its DllRegisterServer runs in a
// worker process whose registry roots point at empty scratch keys, and what it wrote there becomes
// the file. The registry itself is left as it was, however the head behaves or ends.
#include <string>

#include "platform/Outcome.h"
#include "registration/EntryWorker.h"

namespace registration {

// Runs the head's DllRegisterServer against scratch keys within the time limit (a head still
// running then is ended) and saves every key and value it wrote as the .reg file regFile (relative
// paths against the current folder), named as the 64-bit registry editor imports them; a file
// already there is replaced only by a whole new one. The scratch keys are gone when this returns,
// and so are those an earlier export left behind when its process died.
// Lines: on success "Process Successful.", where the file went, and whether the head wrote its own
// path; otherwise the worker's failure lines, with the exit codes of the command line.
Outcome ExportRegistration(const std::wstring& head, const std::wstring& regFile, const Wait& wait);

}  // namespace registration
