#pragma once
#include <string>

// Replaces every pair of backslashes by one, from left to right and without overlap: three in a row
// become two, a leading pair becomes one.
std::string CollapseDoubledBackslashes(const std::string& path);
