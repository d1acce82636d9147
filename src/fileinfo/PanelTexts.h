#pragma once
// The fixed texts of the information panel, kept in one place.
#include <string>
#include <vector>

#include "fileinfo/VersionFields.h"

// The maker's homepage, shown in the panel and opened from the logo.
inline constexpr char kHomepage[] = "http://www.vesk.example/";

// The panel's text when the main window is created: thirteen lines, each ended by CR LF.
std::wstring InitialPanelText();

// The introduction view, line by line (no line ends).
const std::vector<std::wstring>& IntroLines();

// The file-information view: its heading and its five rows in order, each a label and the field
// shown after it.
inline constexpr wchar_t kFileInfoHeading[] = L"Currently Selected File Info: ";

struct FileInfoRow {
  const wchar_t* label;
  std::wstring VersionFields::*field;
};

inline constexpr FileInfoRow kFileInfoRows[] = {
    {L"   FileName:  ", &VersionFields::OriginalFilename},
    {L"   Company Name:  ", &VersionFields::CompanyName},
    {L"   Product Version:  ", &VersionFields::ProductVersion},
    {L"   Copyright:  ", &VersionFields::LegalCopyright},
    {L"   Description:  ", &VersionFields::FileDescription},
};
