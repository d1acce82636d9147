#pragma once
#include <optional>
#include <string>

// Replaces every pair of backslashes by one, from left to right and without overlap: three in a row
// become two. The leading pair of a network or device path (\\server\share, \\?\C:\) stays.
std::wstring CollapseDoubledBackslashes(const std::wstring& path);

// The path inside a text wrapped in double quotes ("C:\My Heads\a.ocx"); nothing for any other text.
std::optional<std::wstring> WithoutEnclosingQuotes(const std::wstring& text);

// Whether a path holds the wildcards * or ?, so that it may name several files or none in particular.
bool HasWildcards(const std::wstring& path);
