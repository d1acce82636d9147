// The Games list view: the check of the selected entry and of a head file that has gone.
#include "games/GamesView.h"

#include <optional>

#include "games/GamesList.h"
#include "games/GamesStore.h"
#include "games/LiveRegistry.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"

namespace games {
namespace {

constexpr wchar_t kRemoveQuestion[] = L"Would you like to remove it from your games list?";

// The registry view of the other build of this program: 32-bit heads register in the 32-bit view.
constexpr REGSAM kOtherBuildView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

// The selected entry as the registry describes it.
struct EntryView {
  std::wstring classId;
  std::optional<std::wstring> serverPath;  // expanded; nullopt when this view registers no server
};

std::optional<std::wstring> ServerPath(const std::wstring& classId, REGSAM view) {
  if (classId.empty()) return std::nullopt;
  return LiveFacts(view).Value(Root::ClassesRoot, GamesList::ServerKey(classId), L"");
}

EntryView ReadEntry(const std::wstring& name) {
  EntryView entry;
  entry.classId = LiveFacts().Value(GamesList::kRoot, GamesList::EntryKey(name), L"").value_or(L"");
  entry.serverPath = ServerPath(entry.classId, 0);
  return entry;
}

// Whether the server file is proven absent: no path, or a path the system reports as naming nothing
// (or a folder). A file that is there counts whatever its attributes, and a path that cannot be
// checked (access denied, an unreachable share) is not proven absent.
bool ServerMissing(const std::wstring& path) {
  if (path.empty()) return true;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME;
}

// The path as the head file box shows it: its long form where the system can tell it.
std::wstring ShownPath(const std::wstring& path) {
  const std::wstring longPath = paths::LongPath(path);
  return longPath.empty() ? path : longPath;
}

bool AskRemoval(const std::wstring& reason, const std::wstring& caption) {
  return ShowBox(reason + L"\r\n" + kRemoveQuestion, MB_YESNO | MB_ICONQUESTION, caption) == IDYES;
}

}  // namespace

void CheckSelectedGame(MainView& view) {
  const std::wstring name = view.SelectedGame();
  if (name.empty()) return;
  const EntryView entry = ReadEntry(name);
  if (!entry.serverPath) {
    // A class this build's view does not know may be the other build's: not broken, only not ours.
    const std::optional<std::wstring> other = ServerPath(entry.classId, kOtherBuildView);
    if (other && !other->empty()) {
      view.SetHeadFileText(ShownPath(*other));
      const std::wstring note = GamesList::OtherBuildNote();
      if (!view.PanelText().ends_with(note + L"\r\n")) view.AppendPanelLine(note);
      return;
    }
  }
  const std::wstring server = entry.serverPath.value_or(L"");
  if (!ServerMissing(server)) {
    view.SetHeadFileText(ShownPath(server));
    return;
  }
  // The entry asked about is the one removed, whatever the list holds once the question is answered.
  if (AskRemoval(L"The current selection is no longer functioning properly.", L"TypeLib Not Found"))
    RemoveGame(view, name, entry.classId);
}

void CheckMissingHead(MainView& view, const std::wstring& text) {
  // Only the selected entry's server, gone, is offered for removal. Any other missing file (and a
  // server that is there but hidden) is ignored until the text names a file that the box takes.
  const std::wstring name = view.SelectedGame();
  if (text.empty() || name.empty()) return;
  const EntryView entry = ReadEntry(name);
  if (text == entry.serverPath && ServerMissing(text) &&
      AskRemoval(L"The current selection is no longer existing or has moved.", L"OCX Not Found..."))
    RemoveGame(view, name, entry.classId);
}

}  // namespace games
