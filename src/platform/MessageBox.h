#pragma once
// Message boxes of the program. A box without a caption of its own shows the application title.
#include <string>

#include <windows.h>

#include "platform/MainView.h"
#include "platform/RunTimeError.h"

// The class of the main window, by which the program finds its own instances' windows.
inline constexpr wchar_t kMainWindowClass[] = L"VeskMainWindow";

inline constexpr wchar_t kAppTitle[] = L"Vesk\u2122 Game/Head Installer";

// Shows a modal box owned by the window the user acted in and returns the button pressed
// (IDOK, IDYES, ...). style combines MB_ICON* and MB_OK/MB_YESNO/MB_YESNOCANCEL.
int ShowBox(const std::wstring& prompt, UINT style = MB_OK, const std::wstring& title = L"");

// A fault that ended an operation: "<number> - <description>", then the number and description again.
void ShowFaultBox(const RunTimeError& err);

// The program's main window while it exists (null otherwise): boxes fall back to it as their owner.
void SetProgramWindow(HWND window);

// The main window as the features see it, while it exists (null otherwise): a restart as
// administrator waits through it and hands it over to the new instance.
void SetProgramView(MainView* view);
MainView* ProgramView();
