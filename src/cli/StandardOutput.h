#pragma once
// Where the command line's lines go: the standard output the caller gave the process (a pipe, a
// file), in UTF-8; else the caller's console, in the console's own wide characters.
#include <string>

#include <windows.h>

namespace cli {

class StandardOutput {
 public:
  StandardOutput();
  ~StandardOutput();
  StandardOutput(const StandardOutput&) = delete;
  StandardOutput& operator=(const StandardOutput&) = delete;

  // Whether there is anywhere to write to.
  bool Available() const { return handle_ != nullptr; }
  // The line and CR LF; nothing when there is nowhere to write or the reader has gone.
  void WriteLine(const std::wstring& line) const;

 private:
  HANDLE handle_ = nullptr;
  bool console_ = false;
  bool owned_ = false;  // opened here on the attached console
};

}  // namespace cli
