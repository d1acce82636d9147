#include "fileinfo/InfoPanel.h"

#include "fileinfo/PanelTexts.h"
#include "fileinfo/VersionInfo.h"

namespace fileinfo {

void ShowFileInfo(MainView& view, const std::wstring& path) { ShowFileInfo(view, ReadVersionInfo(path)); }

void ShowFileInfo(MainView& view, const std::optional<VersionFields>& fields) {
  // Each piece is added to the text read back from the panel, so a value is shown only up to its
  // first NUL character.
  if (fields) {
    view.SetPanelText(std::wstring(kFileInfoHeading) + L"\r\n");
    for (const FileInfoRow& row : kFileInfoRows) {
      view.SetPanelText(view.PanelText() + row.label + (*fields).*row.field);
      view.SetPanelText(view.PanelText() + L"\r\n");
    }
    return;
  }
  const std::vector<std::wstring>& lines = IntroLines();
  view.SetPanelText(lines.front() + L"\r\n");
  for (size_t i = 1; i < lines.size(); ++i) view.SetPanelText(view.PanelText() + lines[i] + L"\r\n");
}

bool IsCreditsWord(const std::wstring& text) {
  const size_t first = text.find_first_not_of(L' ');
  return first != std::wstring::npos && text.substr(first, text.find_last_not_of(L' ') - first + 1) == L"credits";
}

void ShowCredits(MainView& view) {
  view.SetPanelCentred(true);
  view.SetPanelText(L" \r\n");
  // Each line fits one line of the panel.
  for (const wchar_t* line : {L"  Thanks to our logo and button artist,", L"  and to our icon artist.", L"  ",
                              L"  Thank them both! - the Vesk team"})
    view.AppendPanelLine(line);
}

}  // namespace fileinfo
