#pragma once
// What the check of a head's server file proves. A file that is there is present; a path the
// system reports as naming nothing, or a folder, is gone, but only on a drive that is there now:
// a drive letter with no root (an unplugged stick, a network drive not mapped in this session) proves
// nothing, like a path that cannot be read now.
#include <optional>
#include <string>

namespace games {

// What a look at the path found.
enum class Probe { File, Folder, NotFound, Unreadable };

enum class State { Present, Gone, NotChecked, DriveMissing };

// The root of the drive letter the path lies on ("D:\"), also behind a "\\?\" or "\\.\" prefix;
// nothing for a path on no drive letter (a share, a relative path).
std::optional<std::wstring> DriveRoot(const std::wstring& path);

// driveThere: whether the path's drive root is there now (true for a path on no drive letter).
State Judge(Probe probe, bool driveThere);

}  // namespace games
