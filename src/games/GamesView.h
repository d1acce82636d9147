#pragma once
// The Games list view: what a selected entry shows, and the offer to remove a broken one, which the
// window asks about.
#include <optional>
#include <string>

#include "games/RemovalRule.h"
#include "platform/MainView.h"

namespace games {

// A broken entry to offer for removal: the question's caption and first line, and what Yes removes.
struct RemovalOffer {
  std::wstring caption;
  std::wstring reason;
  games::RemovalRequest request;
};

inline constexpr wchar_t kRemoveQuestion[] = L"Would you like to remove it from your games list?";

// The selected entry: its head's file goes into the head file box; an entry whose head file is
// proven gone is offered for removal.
std::optional<RemovalOffer> CheckSelectedGame(MainView& view);

// The head file box names text, which is no file: when it is the selected entry's head, proven gone,
// the entry is offered for removal.
std::optional<RemovalOffer> CheckMissingHead(MainView& view, const std::wstring& text);

}  // namespace games
