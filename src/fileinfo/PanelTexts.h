#pragma once
// The fixed texts of the information panel, kept in one place.
#include <string>
#include <vector>

// The maker's homepage, shown in the panel and opened from the logo.
inline constexpr char kHomepage[] = "http://www.vesk.example/";

// The panel's text when the main window is created: thirteen lines, each ended by CR LF.
std::wstring InitialPanelText();

// The introduction view, line by line (no line ends).
const std::vector<std::wstring>& IntroLines();

// The file-information view: its heading and the labels of its five rows, in row order.
inline constexpr wchar_t kFileInfoHeading[] = L"Currently Selected File Info: ";
