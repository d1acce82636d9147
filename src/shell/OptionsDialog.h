#pragma once
// The Options dialog and the Settings menu, used as the main window's context menu.
#include <windows.h>

namespace options_dialog {

inline constexpr wchar_t kCaption[] = L"Options";

// Control ids in tab order, and the id of the menu item.
inline constexpr int kOkButton = IDOK;
inline constexpr int kAssociateCheck = 101;
inline constexpr int kOptionsMenuItem = 201;
inline constexpr int kFindBrokenMenuItem = 202;

// Pops up the Settings menu ("&Options", "Find &Broken Entries...") at the pointer, or at a point of
// the screen (for the context-menu key), owned by owner; choosing Options shows the Options dialog
// modally. Returns when the menu (and the dialog) have closed: the item chosen, 0 for none.
int ShowSettingsMenu(HWND owner, const POINT* at = nullptr);

// Shows the Options dialog as a modal dialog owned by owner.
void ShowModal(HWND owner);

// Closes the Options dialog without any change when it shows (the main window closes).
void CloseIfShown();

}  // namespace options_dialog
