#pragma once
// What the installer and its worker process share: the switch that starts the worker, and the block
// of shared memory through which the command goes in and the outcome comes back.
#include <cstddef>

#include <windows.h>

#include "registration/ExportWorker.h"
#include "registration/RegRules.h"

namespace registration {

// The switch that makes the executable a worker, followed by five handles it inherits, in hex:
//   <program> /vesk-entry-worker <channel> <go> <done> <ready> <installer process>
inline constexpr wchar_t kWorkerSwitch[] = L"/vesk-entry-worker";
inline constexpr size_t kMaxPath = 32768;
inline constexpr size_t kCheckChars = 16384;

// What the two processes share: the command the window writes before it signals go (letter: r
// register, u unregister, ? a letter that names no entry point), and what the worker reports.
struct Channel {
  wchar_t letter;
  wchar_t path[kMaxPath];
  volatile LONG stage;
  DWORD loadError;
  DWORD status;
  // The check after a successful entry point: its lines, each ended by '\n', and whether it failed.
  LONG checkFailed;
  wchar_t checkLines[kCheckChars];
  ExportOrder exportOrder;  // an export: a registration caught in scratch keys
};
using Report = Channel;

inline void SetStage(Report& report, WorkerStage stage) {
  InterlockedExchange(&report.stage, static_cast<LONG>(stage));
}

}  // namespace registration
