#pragma once
// The window's side of the Games list: the removal question, the removal's outcome in the panel
// (with the offer to restart as administrator), and the Broken Entries dialog.
#include <string>

#include "platform/MainView.h"
#include "platform/Outcome.h"

namespace window {

// The selection changed: the selected entry is checked, and a broken one offered for removal.
void OnSelection(MainView& view);

// The head file box names no file (text): the selected entry's gone head is offered for removal.
void OnMissingHead(MainView& view, const std::wstring& text);

// A removal's outcome: its lines in the panel, one list refresh, and a refusal for lack of rights
// said in a box (reason) with the offer to restart as administrator.
void ShowRemoval(MainView& view, const Outcome& outcome, const std::wstring& reason);

// "Find Broken Entries...": the dialog, modal to the window; a removal it made shows in the panel.
void FindBrokenEntries(MainView& view);

}  // namespace window
