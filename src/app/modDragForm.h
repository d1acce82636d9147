#pragma once
// Moving the borderless main window with the mouse.
#include <windows.h>

namespace modDragForm {

// The platform identifier of the running system: 1 for the Windows 9x family, 2 for Windows NT.
DWORD GetPlatformId();

// Starts the system's interactive move of the window, as if its caption had been pressed; returns
// when the move has ended. On a platform of another identifier the window does not move.
void DragForm(HWND frm);

}  // namespace modDragForm
