#pragma once
// The information panel's views: a file's version strings, the introduction, the credits.
#include <string>

#include "platform/MainView.h"

namespace fileinfo {

// The file's version strings, or the introduction when the file has no product version.
void ShowFileInfo(MainView& view, const std::wstring& path);

// Whether the head file box asks for the credits ("credits", blanks around it allowed).
bool IsCreditsWord(const std::wstring& text);
void ShowCredits(MainView& view);

}  // namespace fileinfo
