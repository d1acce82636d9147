#pragma once
// The Options dialog and the Settings menu, used as the main window's context menu.
#include <span>

#include <windows.h>

namespace shell {

inline constexpr wchar_t kOptionsCaption[] = L"Options";

// Control ids in tab order, and the id of the menu item.
inline constexpr int kOkButton = IDOK;
inline constexpr int kAssociateCheck = 101;
inline constexpr int kOptionsMenuItem = 201;
inline constexpr int kFindBrokenMenuItem = 202;

// An item that the window adds to the Settings menu below "&Options", for a command of its own.
struct MenuItem {
  int id;
  const wchar_t* text;
};

// Pops up the Settings menu ("&Options" and the window's items) at the pointer, or at a point of the
// screen (for the context-menu key), owned by owner; choosing Options shows the Options dialog
// modally. Returns when the menu (and the dialog) have closed: the id of the window's item chosen,
// 0 for none.
int ShowSettingsMenu(HWND owner, const POINT* at = nullptr, std::span<const MenuItem> more = {});

// Shows the Options dialog as a modal dialog owned by owner.
void ShowModal(HWND owner);

// Closes the Options dialog without any change when it shows (the main window closes).
void CloseIfShown();

}  // namespace shell
