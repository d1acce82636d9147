#pragma once
// The Associate prompt shown at start-up when .ocx files are not associated with the program.
#include <windows.h>

namespace frmAssociate {

inline constexpr wchar_t kCaption[] = L"Associate VP Head/Game Files?";

// Control ids, named as the controls, in tab order.
inline constexpr int cmdYes = IDYES;
inline constexpr int cmdNo = IDNO;
inline constexpr int chkAsk = 101;
inline constexpr int Label1 = 102;

// Shows the prompt as a modal dialog without an owner and returns when it is closed.
void ShowModal();

}  // namespace frmAssociate
