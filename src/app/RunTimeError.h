#pragma once
// A run-time error as the handlers that report one see it: a number, a source and a description.
#include <string>

struct RunTimeError {
  long Number = 0;
  std::wstring Source;
  std::wstring Description;
};
