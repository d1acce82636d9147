// The Games list view: the check of the selected entry and of a head file that has gone.
#include "games/GamesView.h"

#include <optional>

#include "games/GamesList.h"
#include "games/GamesStore.h"
#include "games/LiveRegistry.h"
#include "games/ServerFile.h"
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

// What a look at the server path proves (an empty path names no file). A file that is there counts
// whatever its attributes; a path that cannot be checked now (access denied, an unreachable share, a
// drive that is not there) is not proven absent.
ServerFile::State ServerState(const std::wstring& path) {
  using ServerFile::Probe;
  if (path.empty()) return ServerFile::State::Gone;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  Probe probe = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Probe::Folder : Probe::File;
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    const bool notFound = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME;
    probe = notFound ? Probe::NotFound : Probe::Unreadable;
  }
  const std::optional<std::wstring> root = ServerFile::DriveRoot(path);
  const bool driveThere = probe == Probe::File || !root ||
                          (GetDriveTypeW(root->c_str()) != DRIVE_NO_ROOT_DIR &&
                           GetFileAttributesW(root->c_str()) != INVALID_FILE_ATTRIBUTES);
  return ServerFile::Judge(probe, driveThere);
}

bool ServerGone(const std::wstring& path) { return ServerState(path) == ServerFile::State::Gone; }

// A note for the panel, not repeated when it is already the panel's last line.
void AppendNote(MainView& view, const std::wstring& note) {
  if (!view.PanelText().ends_with(note + L"\r\n")) view.AppendPanelLine(note);
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
      AppendNote(view, GamesList::OtherBuildNote());
      return;
    }
  }
  const std::wstring server = entry.serverPath.value_or(L"");
  const ServerFile::State state = ServerState(server);
  if (state != ServerFile::State::Gone) {
    view.SetHeadFileText(ShownPath(server));
    if (state == ServerFile::State::DriveMissing)
      AppendNote(view, L"Drive " + ServerFile::DriveRoot(server)->substr(0, 2) +
                           L" is not available now: this head's file cannot be checked, and the entry is kept.");
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
  if (text == entry.serverPath && ServerGone(text) &&
      AskRemoval(L"The current selection is no longer existing or has moved.", L"OCX Not Found..."))
    RemoveGame(view, name, entry.classId);
}

}  // namespace games
