#pragma once
// What a feature reports, for either front door to show its own way: the window puts the lines into
// its panel, the command line writes them to standard output and ends with the exit code.
#include <string>
#include <vector>

// The command line's exit codes. 1 to 5 mean what they mean for regsvr32, so that setup scripts
// written for it keep working.
enum class ExitCode : int {
  kSucceeded = 0,
  kBadCommandLine = 1,   // an unknown switch, no file
  kOleFailed = 2,        // OLE could not be initialised
  kLoadFailed = 3,       // the file could not be loaded (missing, not a library, a DLL it needs is missing)
  kNoEntryPoint = 4,     // the entry point is not in the file
  kEntryFailed = 5,      // the entry point returned a failure
  kTimedOut = 6,         // the time limit ran out
  kRefusedRights = 7,    // refused for lack of rights
  kOtherBitness = 8,     // the file is of the other bitness
  kCheckFailed = 9,      // the entry point succeeded, but what it registered does not work
  kOtherFailure = 10,    // any other failure
};

struct Outcome {
  std::vector<std::wstring> lines;
  ExitCode exitCode = ExitCode::kSucceeded;
  // Refused for lack of rights while not elevated: the window offers to restart as administrator.
  bool wantsAdministrator = false;

  bool Succeeded() const { return exitCode == ExitCode::kSucceeded; }
  void Add(std::wstring line) { lines.push_back(std::move(line)); }
  // Keeps the first failure's code: later ones do not replace it.
  void Fail(ExitCode code) {
    if (exitCode == ExitCode::kSucceeded) exitCode = code;
  }
};
