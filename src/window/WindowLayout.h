#pragma once
// The main window's controls: their ids and places.
enum ControlId : int {
  kGamesList = 101,
  kHeadFileBox,
  kInfoPanel,
  kVersionLabel,
  kCloseMark,
  kMinimiseMark,
  kLogo,
  kBrowseHoverPicture,
  kBrowsePicture,
  kUnregisterHoverPicture,
  kRegisterHoverPicture,
  kRegisterPicture,
  kUnregisterPicture,
  kUnregisterButton,
  kRegisterButton,
  kBrowseButton,
};

inline constexpr int kFirstPicture = kVersionLabel;
inline constexpr int kPictureCount = kBrowseButton - kFirstPicture + 1;
inline constexpr int kTwipsPerPixel = 15;
// The timer that reloads the Games list once, shortly after the last request.
inline constexpr unsigned kRefreshTimer = 1;
// Posted to the main window when a wait has ended with hand-offs or a close left to do.
inline constexpr unsigned kRunDeferredMessage = 0x8000 + 1;  // WM_APP + 1
// Posted when the facts about the head file box's text are ready (wParam: the probe's number).
inline constexpr unsigned kHeadFileFactsMessage = 0x8000 + 2;
// The pause in typing after which the head file box's text is checked, and how long the check of a
// text the program set may hold up the window (a file on this machine answers well within it, so
// the panel shows the file before the setting returns) before what it finds is left to come later.
inline constexpr unsigned kTypingTimer = 3;
inline constexpr unsigned kTypingPauseMs = 330;
inline constexpr unsigned kProbeWaitMs = 500;

// A control's place on the window's client area, in twips.
struct ControlPlace {
  int id;
  int left, top, width, height;
};

// Every control of the window at its place, in the order of creation. The windowed controls come
// first; the picture buttons (windows too) are put after the head file box in tab order.
inline constexpr ControlPlace kPlaces[] = {
    {kInfoPanel, 240, 1755, 3030, 2295},
    {kHeadFileBox, 240, 4275, 2130, 300},
    {kGamesList, 3480, 945, 2640, 4170},
    {kVersionLabel, 2820, 60, 1050, 165},
    {kCloseMark, 6045, 30, 240, 225},
    {kMinimiseMark, 5700, 30, 240, 225},
    {kLogo, 255, 480, 3045, 1125},
    {kBrowseHoverPicture, 2250, 6615, 750, 300},
    {kBrowsePicture, 720, 6615, 750, 300},
    {kUnregisterHoverPicture, 1815, 6195, 1545, 360},
    {kRegisterHoverPicture, 225, 6135, 1545, 360},
    {kRegisterPicture, 225, 5730, 1545, 360},
    {kUnregisterPicture, 1815, 5745, 1545, 360},
    {kUnregisterButton, 1755, 4785, 1545, 360},
    {kRegisterButton, 195, 4785, 1545, 360},
    {kBrowseButton, 2505, 4290, 750, 300},
};

// A place in pixels of the client area.
inline constexpr int Px(int twips) { return twips / kTwipsPerPixel; }
struct PixelPlace {
  int left, top, right, bottom;
};
inline constexpr PixelPlace PixelsOf(const ControlPlace& p) {
  return {Px(p.left), Px(p.top), Px(p.left + p.width), Px(p.top + p.height)};
}

// The controls that are owner-drawn buttons with a window of their own.
inline constexpr bool IsButton(int id) {
  return id == kCloseMark || id == kMinimiseMark || (id >= kUnregisterButton && id <= kBrowseButton);
}

// The pictures that only hold button pictures: they lie below the client area and never show.
inline constexpr bool IsPictureHolder(int id) { return id >= kBrowseHoverPicture && id <= kUnregisterPicture; }
