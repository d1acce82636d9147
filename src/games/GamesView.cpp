// The Games list view: the check of the selected entry, the change handling of the head file box,
// and the credits.
#include <optional>

#include "app/MsgBox.h"
#include "app/frmMain.h"
#include "app/modInstaller.h"
#include "games/GamesList.h"
#include "games/modRegistry.h"

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
  return modRegistry::LiveFacts(view).Value(Root::ClassesRoot, GamesList::ServerKey(classId), L"");
}

EntryView ReadEntry(const std::wstring& name) {
  EntryView entry;
  entry.classId = modRegistry::LiveFacts().Value(GamesList::kRoot, GamesList::EntryKey(name), L"").value_or(L"");
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
  const std::wstring longPath = modInstaller::GetLongPath(path);
  return longPath.empty() ? path : longPath;
}

// An existing normal file; an empty path is none.
bool FileExists(const std::wstring& path) { return modInstaller::FileProbe(path); }

bool AskRemoval(const std::wstring& reason, const std::wstring& caption) {
  return MsgBox(reason + L"\r\n" + kRemoveQuestion, MB_YESNO | MB_ICONQUESTION, caption) == IDYES;
}

std::wstring TrimSpaces(const std::wstring& text) {
  const size_t first = text.find_first_not_of(L' ');
  if (first == std::wstring::npos) return {};
  return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

}  // namespace

void frmMain::lstGames_Click() {
  const std::wstring name = ListText();
  if (name.empty()) return;
  const EntryView entry = ReadEntry(name);
  if (!entry.serverPath) {
    // A class this build's view does not know may be the other build's: not broken, only not ours.
    const std::optional<std::wstring> other = ServerPath(entry.classId, kOtherBuildView);
    if (other && !other->empty()) {
      SetFileBoxText(ShownPath(*other));
      const std::wstring note = GamesList::OtherBuildNote();
      if (!PanelText().ends_with(note + L"\r\n")) AppendStatus(note);
      return;
    }
  }
  const std::wstring server = entry.serverPath.value_or(L"");
  if (!ServerMissing(server)) {
    SetFileBoxText(ShownPath(server));
    return;
  }
  // The entry asked about is the one removed, whatever the list holds once the question is answered.
  if (AskRemoval(L"The current selection is no longer functioning properly.", L"TypeLib Not Found"))
    RemoveGame(name, entry.classId);
}

void frmMain::txtOCXFile_Change() {
  const std::wstring text = FileBoxText();
  if (TrimSpaces(text) == L"credits") {
    ShowCredits();
    return;
  }
  if (!FileExists(text)) {
    // The box names the selected entry's server, which is gone: offer to remove the entry. Any
    // other missing file (and a server that is there but hidden) is ignored until the text names
    // a file that the box takes.
    const std::wstring name = ListText();
    if (text.empty() || name.empty()) return;
    const EntryView entry = ReadEntry(name);
    if (text == entry.serverPath && ServerMissing(text) &&
        AskRemoval(L"The current selection is no longer existing or has moved.", L"OCX Not Found..."))
      RemoveGame(name, entry.classId);
    return;
  }
  SetPanelCentred(false);
  ShowFileInfo(text);
}

void frmMain::ShowCredits() {
  SetPanelCentred(true);
  SetPanelText(L" \r\n");
  // Each line fits one line of the panel.
  AppendStatus(L"  Thanks to our logo and button artist,");
  AppendStatus(L"  and to our icon artist.");
  AppendStatus(L"  ");
  AppendStatus(L"  Thank them both! - the Vesk team");
}
