#include "platform/Elevation.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/SingleInstance.h"
#include "platform/SystemFunctions.h"

namespace elevation {

bool IsElevated() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  const bool elevated =
      GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) && elevation.TokenIsElevated;
  CloseHandle(token);
  return elevated;
}

void OfferRestart(const std::wstring& reason, const std::wstring& headPath) {
  if (IsElevated()) {
    ShowBox(reason, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  if (ShowBox(reason + L"\r\n\r\nRestart as administrator?", MB_YESNO | MB_ICONEXCLAMATION) != IDYES) return;
  const std::wstring program = paths::ProgramPath();
  const std::wstring parameters = L"\"" + headPath + L"\"";
  SHELLEXECUTEINFOW start{};
  start.cbSize = sizeof start;
  start.fMask = SEE_MASK_NOASYNC;
  start.lpVerb = L"runas";
  start.lpFile = program.c_str();
  start.lpParameters = headPath.empty() ? nullptr : parameters.c_str();
  start.nShow = SW_SHOWNORMAL;
  // The elevated program must find no running instance, or it would hand its path back to this one.
  single_instance::Release();
  if (!system_functions::ShellExecuteExW(&start)) {
    single_instance::Claim();  // declined or failed: this one goes on as before
    return;
  }
  if (const HWND window = ProgramWindow()) PostMessageW(window, WM_CLOSE, 0, 0);
}

}  // namespace elevation
