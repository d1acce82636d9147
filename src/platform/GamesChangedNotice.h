#pragma once
// The notice a command line sends to a running instance's main window after it changed the
// registry: WM_COPYDATA with this dwData and no data. The window reloads its Games list and takes
// nothing into its head file box.
#include <windows.h>

inline constexpr ULONG_PTR kGamesChangedNotice = 6;

inline bool IsGamesChangedNotice(LPARAM copyData) {
  return copyData && reinterpret_cast<const COPYDATASTRUCT*>(copyData)->dwData == kGamesChangedNotice;
}
