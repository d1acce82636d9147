// The information panel's refresh: the file's version strings, or the introduction when the file
// has no product version.
#include "app/frmMain.h"
#include "fileinfo/PanelTexts.h"

void frmMain::ShowFileInfo(const std::wstring& path) {
  // Each piece is added to the text read back from the panel, so a value is shown only up to its
  // first NUL character.
  if (ReadVersionInfo(path)) {
    SetPanelText(std::wstring(kFileInfoHeading) + L"\r\n");
    for (const FileInfoRow& row : kFileInfoRows) {
      SetPanelText(PanelText() + row.label + versionFields_.*row.field);
      SetPanelText(PanelText() + L"\r\n");
    }
  } else {
    const std::vector<std::wstring>& lines = IntroLines();
    SetPanelText(lines.front() + L"\r\n");
    for (size_t i = 1; i < lines.size(); ++i) SetPanelText(PanelText() + lines[i] + L"\r\n");
  }
  versionFields_.Clear();
}
