#pragma once
// The single-instance object: a named object that exists while the running instance lives.

namespace single_instance {

// Takes up being the running instance; false when another instance already runs (also one with
// other rights, whose object refuses access).
bool Claim();

// Gives up being the running instance (before an elevated copy starts); Claim takes it up again.
void Release();

}  // namespace single_instance
