// The Games list view: the check of the selected entry and of a head file that has gone.
#include "games/GamesView.h"

#include "games/EntryCheck.h"
#include "games/GamesList.h"
#include "games/LiveRegistry.h"
#include "platform/Paths.h"

namespace games {
namespace {

// A note for the panel, not repeated when it is already the panel's last line.
void AppendNote(MainView& view, const std::wstring& note) {
  if (!view.PanelText().ends_with(note + L"\r\n")) view.AppendPanelLine(note);
}

// The path as the head file box shows it: its long form where the system can tell it.
std::wstring ShownPath(const std::wstring& path) {
  const std::wstring longPath = platform::LongPath(path);
  return longPath.empty() ? path : longPath;
}

// The file proven gone, for the removal: the server, or none when the class names none.
std::wstring GoneFile(const EntryState& entry) { return entry.server.value_or(L""); }

}  // namespace

std::optional<RemovalOffer> CheckSelectedGame(MainView& view) {
  const std::wstring name = view.SelectedGame();
  if (name.empty()) return std::nullopt;
  const EntryState entry = EntryReader().Check(name);
  // A class this build's view does not know may be the other build's: not broken, only not ours.
  if (entry.otherServer && !entry.otherServer->empty()) {
    view.SetHeadFileText(ShownPath(*entry.otherServer));
    AppendNote(view, games::OtherBuildNote());
    return std::nullopt;
  }
  const std::wstring server = entry.server.value_or(L"");
  if (entry.file != games::State::Gone) {
    view.SetHeadFileText(ShownPath(server));
    if (entry.file == games::State::DriveMissing)
      AppendNote(view, L"Drive " + games::DriveRoot(server)->substr(0, 2) +
                           L" is not available now: this head's file cannot be checked, and the entry is kept.");
    return std::nullopt;
  }
  // The entry asked about is the one removed, whatever the list holds once the question is answered.
  return RemovalOffer{L"TypeLib Not Found", L"The current selection is no longer functioning properly.",
                      {name, entry.classId, GoneFile(entry)}};
}

std::optional<RemovalOffer> CheckMissingHead(MainView& view, const std::wstring& text) {
  // Only the selected entry's server, gone, is offered for removal. Any other missing file (and a
  // server that is there but hidden) is ignored until the text names a file that the box takes.
  const std::wstring name = view.SelectedGame();
  if (text.empty() || name.empty()) return std::nullopt;
  const EntryState entry = EntryReader().Check(name);
  const LiveFacts files;
  if (!entry.server || entry.file != games::State::Gone ||
      files.FileIdentity(text) != files.FileIdentity(*entry.server))
    return std::nullopt;
  return RemovalOffer{L"OCX Not Found...", L"The current selection is no longer existing or has moved.",
                      {name, entry.classId, GoneFile(entry)}};
}

}  // namespace games
