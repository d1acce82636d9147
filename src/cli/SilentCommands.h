#pragma once
// The command line's front door: a silent request carried out without a window, its lines written to
// standard output, the process's exit code returned.
#include <optional>

namespace cli {

// When the command line asks for something of the command line's own (a silent command or the usage
// text), carries it out and returns the exit code; otherwise nothing, and the window starts.
std::optional<int> RunIfAsked();

}  // namespace cli
