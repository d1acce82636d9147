#pragma once
// The proof that a hand-off comes from a process that may give this instance a path: a secret of the
// instance's that only processes of the same session of at least medium integrity can read (in a
// named section whose label refuses the others). A second start reads the proof of the instance it
// hands over to and sends it along with the path.
#include <cstddef>
#include <string>

#include <windows.h>

namespace platform {

inline constexpr std::size_t kProofBytes = 16;

// Makes this process's secret and its section; once, before the window takes hand-offs.
void PublishProof();

// The proof of the process that owns the window; empty when it cannot be read (a process of lower
// integrity or of another session, an instance that has none).
std::string ProofOf(HWND window);

// Whether the bytes are this process's own proof.
bool IsOwnProof(const void* bytes, std::size_t size);

}  // namespace platform
