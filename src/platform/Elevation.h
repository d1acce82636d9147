#pragma once
// Rights. The program starts with the user's ordinary rights; registering a control, writing the
// association and removing a Games list entry may need an administrator's. When an action is
// refused for that reason, the user is told so in plain words and offered a restart as
// administrator, which takes the head file along.
#include <string>

namespace platform {

// Whether this process runs with an administrator's full rights.
bool IsElevated();

// Tells the user why (reason) and, unless the program already runs elevated, asks "Restart as
// administrator?". On Yes it asks about heads still running past their limit as Close does, then
// starts the program elevated with headPath and the user's folder for copies of removals, the
// consent prompt over the window the user acted in, which can be moved and closed meanwhile; once
// the new instance's window shows, this one gives way to it. Nothing changes when the user says No,
// declines the elevation, or the new instance does not start or never shows its window.
void OfferRestart(const std::wstring& reason, const std::wstring& headPath);

}  // namespace platform
