// The Games list view: the check of the selected entry, the change handling of the head file box,
// and the credits.
#include "app/MsgBox.h"
#include "app/frmMain.h"
#include "app/modInstaller.h"
#include "games/GamesList.h"
#include "games/modRegistry.h"

namespace {

constexpr wchar_t kRemoveQuestion[] = L"Would you like to remove it from your games list?";

// The selected entry as the registry describes it.
struct EntryView {
  std::wstring classId;
  std::wstring serverPath;
};

EntryView ReadEntry(const std::wstring& name) {
  EntryView entry;
  entry.classId = modRegistry::ReadRegString(GamesList::kRoot, GamesList::EntryKey(name), L"");
  entry.serverPath = modRegistry::ReadRegString(HKEY_CLASSES_ROOT, GamesList::ServerKey(entry.classId), L"");
  return entry;
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
  if (FileExists(entry.serverPath)) {
    SetFileBoxText(modInstaller::GetLongPath(entry.serverPath));
    return;
  }
  if (AskRemoval(L"The current selection is no longer functioning properly.", L"TypeLib Not Found"))
    RemoveGame(entry.classId);
}

void frmMain::txtOCXFile_Change() {
  const std::wstring text = FileBoxText();
  if (TrimSpaces(text) == L"credits") {
    ShowCredits();
    return;
  }
  if (!FileExists(text)) {
    // The box names the selected entry's server, which is gone: offer to remove the entry. Any
    // other missing file is ignored until the text names one that exists.
    const std::wstring name = ListText();
    if (text.empty() || name.empty()) return;
    const EntryView entry = ReadEntry(name);
    if (text == entry.serverPath &&
        AskRemoval(L"The current selection is no longer existing or has moved.", L"OCX Not Found..."))
      RemoveGame(entry.classId);
    return;
  }
  SetPanelCentred(false);
  ShowFileInfo(text);
}

void frmMain::ShowCredits() {
  SetPanelCentred(true);
  SetPanelText(L" \r\n");
  AppendStatus(L"  With thanks to the artist who drew the logo and the buttons,");
  AppendStatus(L"  and to the artist who made the icons.");
  AppendStatus(L"  ");
  AppendStatus(L"  If you like their work, please thank them both.  - the Vesk team");
}
