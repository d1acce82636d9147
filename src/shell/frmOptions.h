#pragma once
// The Options dialog and its menu mnuSettings, used as the main window's context menu.
#include <windows.h>

namespace frmOptions {

inline constexpr wchar_t kCaption[] = L"Options";

// Control ids, named as the controls, in tab order, and the id of the menu item.
inline constexpr int cmdOK = IDOK;
inline constexpr int chkAssociate = 101;
inline constexpr int mnuOptions = 201;

// Pops up mnuSettings ("&Options") at the pointer, owned by the main window; choosing the item
// shows the Options dialog modally. Returns when the menu (and the dialog) have closed.
void PopupSettingsMenu(HWND owner);

// Shows the Options dialog as a modal dialog owned by owner.
void ShowModal(HWND owner);

// Unloads the Options form when it is loaded (the main window's unload calls this): a shown
// dialog is closed without any change.
void UnloadIfLoaded();

}  // namespace frmOptions
