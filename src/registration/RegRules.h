#pragma once
// Rules of registration that need no Windows: which entry point a command letter selects, how the
// outcome of a worker reads in the panel, and which dropped names count as heads.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Outcome.h"

namespace registration {

// The entry point that a command letter selects, compared exactly and case-sensitively:
// "DllRegisterServer" for the empty letter, "DllUnregisterServer" for "u" or "U", null otherwise.
const char* EntryPointName(const std::wstring& commandLetter);

// An entry point's status counts as success unless it is negative as an HRESULT.
bool IsSuccessStatus(std::uint32_t status);

// The panel line for an entry point that returned status: "Process Successful." for a success,
// otherwise a failure line naming the status in hex and, when there is one, its system text.
std::wstring StatusLine(std::uint32_t status, const std::wstring& systemText);

// How far the worker process got with the head. The worker writes it as it goes; what the window
// finds once the worker has ended tells how it ended.
enum class WorkerStage : std::uint32_t {
  kStarting = 0,    // nothing done yet, or the worker ended while the head was loading
  kLoadFailed,      // the head could not be loaded (loadError)
  kLoaded,          // loaded; the entry point was being looked up
  kUnknownLetter,   // loaded, then released: the command letter names no entry point
  kNoEntryPoint,    // loaded, then released: the entry point is not exported
  kEntryRunning,    // the entry point was called and has not returned
  kReturned,        // the entry point returned status
  kOleFailed,       // loaded, then released: OLE could not be initialised (loadError holds its status)
};

// Whether a program library is built for 32-bit or 64-bit x86 Windows.
enum class Bitness { kUnknown, k32, k64 };

// The bitness of a program library from the first bytes of its file (at least its headers);
// kUnknown when they are not those of a Windows program file.
Bitness FileBitness(std::string_view firstBytes);

// What a control that failed misses, as panel lines: the reasons, and notes on what it would miss
// later (a DLL that is only delay-loaded cannot stop a load).
struct MissingReport {
  std::vector<std::wstring> reasons;
  std::vector<std::wstring> notes;
  bool operator==(const MissingReport&) const = default;
};

// What the window knows once a worker has ended.
struct WorkerOutcome {
  WorkerStage stage = WorkerStage::kStarting;
  std::uint32_t loadError = 0;    // with kLoadFailed: the system's error code
  std::uint32_t status = 0;       // with kReturned: the entry point's status
  std::uint32_t exitCode = 0;     // the worker process's exit code
  Bitness fileBitness = Bitness::kUnknown;
  Bitness installerBitness = Bitness::kUnknown;
  std::wstring systemText;        // the system's text for the failing status or load error
  bool fileExists = true;         // with kLoadFailed: whether the file itself is there
  MissingReport missingPieces;    // what the control needs and does not find (MissingPieceLines)
};

// What to look for when a worker has ended: nothing, the DLLs the control needs (a DLL was not
// found, or one of the wrong format), or their functions as well (a function was not found). The
// load failed: what it needs at load is the reason, what it delay-loads a note. ...WhenUsed: the
// control loaded and a piece it loads when used was missing, so every missing piece is a reason.
enum class LookFor { kNothing, kDlls, kFunctions, kDllsWhenUsed, kFunctionsWhenUsed };
LookFor WhatToLookFor(const WorkerOutcome& outcome);

// The line for a control of the other bitness than the installer's.
std::wstring OtherBitnessLine(Bitness file);

// The panel lines for an ended worker, in order.
std::vector<std::wstring> OutcomeLines(const WorkerOutcome& outcome);

// The command line's exit code for an ended worker, before the check of what it registered.
ExitCode ExitCodeOf(const WorkerOutcome& outcome);

// What the check after an entry point found of one Games list entry that names the head's file.
enum class EntryCheck : std::uint32_t {
  kListed,       // registered: in the list, and its class loads
  kCannotLoad,   // registered: in the list, but its class does not load (systemText says why)
  kGone,         // unregistered: it named the file before and is gone now
  kStillListed,  // unregistered: it still names the file
};
std::wstring CheckLine(EntryCheck check, const std::wstring& name, std::uint32_t status, const std::wstring& systemText);
inline bool CheckFails(EntryCheck check) { return check == EntryCheck::kCannotLoad || check == EntryCheck::kStillListed; }
// The line when a registration added no entry that names its file (no failure: a helper of a head).
inline constexpr wchar_t kNoGameAddedLine[] = L"It added no game to the Games list.";
// The line when the Games list is too long to look through within the time limit (no failure).
inline constexpr wchar_t kCheckCutShortLine[] =
    L"The Games list is too long to check within the time limit; the rest of it was not looked at.";

// Statuses with which a control says it may not write its registration: access denied, and the
// self-registration and registry-write failures that a refused key gives.
bool IsRefusedForRights(std::uint32_t status);

// The plain-words line for a control refused for lack of rights.
std::wstring RightsLine(const std::wstring& commandLetter);

// The panel line for a worker that was still running when the time limit ran out.
inline constexpr wchar_t kTimeOutLine[] = L"Process failed in signaled state or time-out.";

// The one further line for a worker that ended after the time limit: its outcome, joined.
std::wstring LateOutcomeLine(const std::wstring& fileName, const std::vector<std::wstring>& outcomeLines);

// The question when a head still runs past the time limit and the user wants something that ends it
// ("close", "go on"): "\"slow.ocx\" is still registering. End it and close?".
std::wstring StillRunningQuestion(const std::wstring& fileName, bool unregistering, const std::wstring& then);

// The panel line when the user lets such a head run on instead of starting another command on it.
std::wstring StillRunningLine(const std::wstring& fileName, bool unregistering);

// True when the last three characters of the path, lower-cased, are "ocx" (so "docx" passes too).
bool IsOcxName(const std::wstring& path);

}  // namespace registration
