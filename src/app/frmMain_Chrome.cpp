// Window chrome of the main window: moving it by its background, the right-click menu, hover
// pictures of the three picture buttons, the close and minimise marks and the homepage logo.
#include "app/frmMain.h"

#include <shellapi.h>

#include "app/Controls.h"
#include "app/MsgBox.h"
#include "app/PictureBox.h"
#include "app/modDragForm.h"
#include "fileinfo/PanelTexts.h"
#include "shell/frmOptions.h"

namespace {

// ShellExecuteA reports success with a value greater than this.
constexpr INT_PTR kShellExecuteFailed = 32;

}  // namespace

void frmMain::Form_MouseDown(int button, int, int, int) {
  if (button == vbLeftButton) modDragForm::DragForm(hWnd());
  if (button == vbRightButton) frmOptions::PopupSettingsMenu(hWnd());
}

void frmMain::Form_MouseMove(int, int, int, int) {
  Picture(IDC_Image1).SetPicture(Picture(IDC_imgSel).Picture());
  Picture(IDC_Image2).SetPicture(Picture(IDC_imgReg).Picture());
  Picture(IDC_Image3).SetPicture(Picture(IDC_imgUnReg).Picture());
}

void frmMain::Image1_MouseMove() { Picture(IDC_Image1).SetPicture(Picture(IDC_imgSelSel).Picture()); }

void frmMain::Image2_MouseMove() {
  Picture(IDC_Image2).SetPicture(Picture(IDC_imgRegSel).Picture());
  Picture(IDC_Image3).SetPicture(Picture(IDC_imgUnReg).Picture());
}

void frmMain::Image3_MouseMove() {
  Picture(IDC_Image3).SetPicture(Picture(IDC_imgUnRegSel).Picture());
  Picture(IDC_Image2).SetPicture(Picture(IDC_imgReg).Picture());
}

void frmMain::txtOCXFile_MouseMove() { Picture(IDC_Image1).SetPicture(Picture(IDC_imgSel).Picture()); }

// The version label is part of the title strip: a press on it is a press on the background.
void frmMain::imgVersion_MouseDown(int button, int shift, int x, int y) { Form_MouseDown(button, shift, x, y); }

void frmMain::lstGames_MouseDown(int button, int, int, int) {
  if (button == vbRightButton) frmOptions::PopupSettingsMenu(hWnd());
}

void frmMain::Image5_Click() {
  if (MsgBox(L"Would you like to visit the Vesk homepage now?", MB_YESNO | MB_ICONQUESTION, L"Go To Vesk?") != IDYES)
    return;
  const std::wstring address(kHomepage, kHomepage + sizeof kHomepage - 1);
  const HINSTANCE started = ShellExecuteW(nullptr, L"Open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  if (reinterpret_cast<INT_PTR>(started) <= kShellExecuteFailed) MsgBox(L"Unable to launch your web browser.", MB_OK);
}

void frmMain::imgClose_Click() { Unload(); }

void frmMain::imgMini_Click() { ShowWindow(hWnd(), SW_MINIMIZE); }
