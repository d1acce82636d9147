#pragma once
// The Games list view: what a selected entry shows, and the offer to remove a broken one.
#include <string>

#include "platform/MainView.h"

namespace games {

// The selected entry: its head's file goes into the head file box; an entry whose head file is
// proven gone is offered for removal.
void CheckSelectedGame(MainView& view);

// The head file box names text, which is no file: when it is the selected entry's head, proven gone,
// the entry is offered for removal.
void CheckMissingHead(MainView& view, const std::wstring& text);

}  // namespace games
