#include "window/GamesWindow.h"

#include <optional>

#include "window/BrokenEntriesDialog.h"
#include "games/GamesView.h"
#include "games/Removal.h"
#include "platform/Elevation.h"
#include "platform/MessageBox.h"

namespace window {
namespace {

void Offer(MainView& view, const std::optional<games::RemovalOffer>& offer) {
  if (!offer) return;
  if (ShowBox(offer->reason + L"\r\n" + games::kRemoveQuestion, MB_YESNO | MB_ICONQUESTION, offer->caption) != IDYES)
    return;
  ShowRemoval(view, games::RemoveEntry(offer->request),
              L"Removing \"" + offer->request.entryName + L"\" needs administrator rights.");
}

}  // namespace

void OnSelection(MainView& view) { Offer(view, games::CheckSelectedGame(view)); }

void OnMissingHead(MainView& view, const std::wstring& text) { Offer(view, games::CheckMissingHead(view, text)); }

void ShowRemoval(MainView& view, const Outcome& outcome, const std::wstring& reason) {
  for (const std::wstring& line : outcome.lines) view.AppendPanelLine(line);
  view.RequestListRefresh();
  if (outcome.exitCode == ExitCode::kRefusedRights) platform::OfferRestart(reason, view.HeadFileText());
}

void FindBrokenEntries(MainView& view) {
  BrokenEntriesDialog dialog;
  if (const std::optional<Outcome> outcome = dialog.ShowModal(view.Handle()))
    ShowRemoval(view, *outcome, L"Removing the broken entries needs administrator rights.");
}

}  // namespace window
