#pragma once
// A file's version strings, read from its version resource.
#include <optional>
#include <string>

#include "fileinfo/VersionFields.h"

// The five strings of the file's version resource; nothing when the file has no version resource
// that can be read, or no product version in it.
std::optional<VersionFields> ReadVersionInfo(const std::wstring& path);
