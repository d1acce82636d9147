#pragma once
// The check of Games list entries against their heads' registration: what the entry names, whether
// its head's file is there, and why an entry is broken. One reader checks any number of entries,
// with the keys it reads from opened once.
#include <optional>
#include <string>

#include <windows.h>

#include "games/ServerFile.h"

namespace games {

enum class Broken {
  No,            // working, or not to be judged now (a file that cannot be read now, the other build's class)
  FileGone,      // the file the class names is gone
  NoClass,       // the class is not registered
  NotClassId,    // the entry's id is not a class id
  DriveMissing,  // the file lies on a drive that is not there now: listed, never removed
};

struct EntryState {
  std::wstring name;
  std::wstring classId;                 // the entry's default value, empty when none
  std::optional<std::wstring> server;   // the class's server in this build's view (expanded)
  std::optional<std::wstring> otherServer;  // read only when this view has none: the other build's
  games::State file = games::State::Gone;  // what a look at the server proves
  Broken broken = Broken::No;
};

// The reason in a few words ("the head file is gone"), empty for a working entry.
std::wstring ReasonText(const EntryState& entry);

class EntryReader {
 public:
  EntryReader();
  ~EntryReader();
  EntryReader(const EntryReader&) = delete;
  EntryReader& operator=(const EntryReader&) = delete;

  EntryState Check(const std::wstring& name);

 private:
  std::optional<std::wstring> Server(const std::wstring& classId, bool otherView) const;
  games::State FileState(const std::wstring& path);
  bool DriveThere(const std::wstring& root);

  HKEY list_ = nullptr;
  HKEY classes_[2][2] = {};  // [user, machine][own view, other view]: Software\Classes\CLSID
  signed char drives_[26] = {};  // per drive letter: 0 not looked at yet, 1 there, -1 not there
};

}  // namespace games
