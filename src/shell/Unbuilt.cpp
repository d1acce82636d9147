// Placeholder until the shell integration subsystem lands.
#include "shell/frmAssociate.h"
#include "shell/frmOptions.h"
#include "shell/modInstaller.h"
namespace modInstaller {
bool IsOcxAssociated(std::wstring&) { return true; }
bool RemoveOcxAssociation() { return false; }
}  // namespace modInstaller
void frmAssociate::ShowModal() {}
void frmOptions::PopupSettingsMenu(HWND) {}
void frmOptions::ShowModal(HWND) {}
void frmOptions::UnloadIfLoaded() {}
