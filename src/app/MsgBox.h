#pragma once
// Message boxes of the program. A box without a caption of its own shows the application title.
#include <string>

#include <windows.h>

inline constexpr wchar_t kAppTitle[] = L"Vesk\u2122 Game/Head Installer";

// Shows a modal box owned by the window the user acted in and returns the button pressed
// (IDOK, IDYES, ...). style combines MB_ICON* and MB_OK/MB_YESNO/MB_YESNOCANCEL.
int MsgBox(const std::wstring& prompt, UINT style = MB_OK, const std::wstring& title = L"");
