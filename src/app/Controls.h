#pragma once
// Control ids of the main window, in the order of their creation.
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
inline constexpr int kTwipsPerPixel = 15;
