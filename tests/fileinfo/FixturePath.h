#pragma once
// The files built for the file information tests, in fixtures\ next to the test executable.
#include <string>

#include "TestEnv.h"
#include "app/AnsiText.h"

inline std::wstring FixturePath(const std::string& name) { return FromAnsi(testenv::ExeDir() + "fixtures\\" + name); }
