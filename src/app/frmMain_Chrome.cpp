// Window chrome of the main window: placeholder until the skinned window lands.
#include "app/frmMain.h"
void frmMain::Form_MouseDown(int, int, int, int) {}
void frmMain::Form_MouseMove(int, int, int, int) {}
void frmMain::Image1_MouseMove() {}
void frmMain::Image2_MouseMove() {}
void frmMain::Image3_MouseMove() {}
void frmMain::txtOCXFile_MouseMove() {}
void frmMain::imgVersion_MouseDown(int, int, int, int) {}
void frmMain::lstGames_MouseDown(int, int, int, int) {}
void frmMain::Image5_Click() {}
void frmMain::imgClose_Click() { Unload(); }
void frmMain::imgMini_Click() { ShowWindow(hWnd(), SW_MINIMIZE); }
