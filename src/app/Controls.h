#pragma once
// Control ids of the main window.
enum ControlId : int {
  IDC_lstGames = 101,
  IDC_txtOCXFile,
  IDC_txtMain,
  IDC_imgVersion,
  IDC_imgClose,
  IDC_imgMini,
  IDC_Image5,
  IDC_imgSelSel,
  IDC_imgSel,
  IDC_imgUnRegSel,
  IDC_imgRegSel,
  IDC_imgReg,
  IDC_imgUnReg,
  IDC_Image3,
  IDC_Image2,
  IDC_Image1,
};

inline constexpr int kFirstPicture = IDC_imgVersion;
inline constexpr int kTimer1 = 1;
inline constexpr int kLateWorkerTimer = 2;
// Posted to the main window when a wait has ended with hand-offs or a close left to do.
inline constexpr unsigned kRunDeferredMessage = 0x8000 + 1;  // WM_APP + 1
inline constexpr int kTwipsPerPixel = 15;

// A control's place on the window's client area, in twips.
struct ControlPlace {
  int id;
  int left, top, width, height;
};

// Every control of the window at its place, in the order of creation.
// The windowed controls come first, in tab order: a new child window goes below its elder siblings.
inline constexpr ControlPlace kPlaces[] = {
    {IDC_txtMain, 240, 1755, 3030, 2295},   {IDC_txtOCXFile, 240, 4275, 2130, 300},
    {IDC_lstGames, 3480, 945, 2640, 4170},  {IDC_imgVersion, 2820, 60, 1050, 165},
    {IDC_imgClose, 6045, 30, 240, 225},     {IDC_imgMini, 5700, 30, 240, 225},
    {IDC_Image5, 255, 480, 3045, 1125},     {IDC_imgSelSel, 2250, 6615, 750, 300},
    {IDC_imgSel, 720, 6615, 750, 300},      {IDC_imgUnRegSel, 1815, 6195, 1545, 360},
    {IDC_imgRegSel, 225, 6135, 1545, 360},  {IDC_imgReg, 225, 5730, 1545, 360},
    {IDC_imgUnReg, 1815, 5745, 1545, 360},  {IDC_Image3, 1755, 4785, 1545, 360},
    {IDC_Image2, 195, 4785, 1545, 360},     {IDC_Image1, 2505, 4290, 750, 300},
};

// The pictures that only hold button pictures: they lie below the client area and never show.
inline constexpr bool IsPictureHolder(int id) { return id >= IDC_imgSelSel && id <= IDC_imgUnReg; }
