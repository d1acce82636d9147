// Placeholder until the file information subsystem lands: reads nothing.
#include "app/frmMain.h"
bool frmMain::ReadVersionInfo(const std::wstring&) { return false; }
void frmMain::ShowFileInfo(const std::wstring&) {}
