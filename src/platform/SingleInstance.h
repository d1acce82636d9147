#pragma once
// The single-instance object: a named object that exists while the running instance lives. Every
// process of the user's session and desktop of at least medium integrity may open it (an instance
// restarted as administrator under another account, too), but only its maker's account may take it
// up anew.
namespace platform {

// The switch with which a running instance starts its successor (the same program elevated): the
// successor shares the object with it until it has given way, so that no start in between finds
// none and opens a second window.
inline constexpr wchar_t kSuccessorSwitch[] = L"/vesk-successor";

// Takes up being the running instance; false when another instance already runs (also one with
// other rights, whose object refuses access).
bool Claim();

// Takes up being the running instance beside the one that started this one as its successor.
void Join();

// Gives up being the running instance (once a successor has shown its window).
void Release();

}  // namespace platform
