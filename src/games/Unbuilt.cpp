// Placeholder until the Games list subsystem lands.
#include "app/frmMain.h"
void frmMain::LoadGames() {}
void frmMain::RemoveGame(const std::wstring&) {}
void frmMain::lstGames_Click() {}
void frmMain::txtOCXFile_Change() {}
void frmMain::ShowCredits() {}
