// Placeholder until the registration subsystem lands.
#include "app/frmMain.h"
void frmMain::RegUnReg(std::wstring, const std::wstring&) {}
void frmMain::Image1_Click() {}
void frmMain::Image2_Click() {}
void frmMain::Image3_Click() {}
void frmMain::txtOCXFile_DropFiles(HDROP) {}
void frmMain::lstGames_DropFiles(HDROP) {}
