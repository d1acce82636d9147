#pragma once
// The information panel's views: a file's version strings, the introduction, the credits.
#include <optional>
#include <string>

#include "fileinfo/VersionFields.h"
#include "platform/MainView.h"

namespace fileinfo {

// The file's version strings, or the introduction when the file has no product version.
void ShowFileInfo(MainView& view, const std::wstring& path);
// The same for version strings already read (nothing: the file has none).
void ShowFileInfo(MainView& view, const std::optional<VersionFields>& fields);

// Whether the head file box asks for the credits ("credits", blanks around it allowed).
bool IsCreditsWord(const std::wstring& text);
void ShowCredits(MainView& view);

}  // namespace fileinfo
