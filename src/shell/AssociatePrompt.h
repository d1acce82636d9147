#pragma once
// The Associate prompt shown at start-up when .ocx files are not associated with the program.
#include <windows.h>

namespace shell {

inline constexpr wchar_t kAssociateCaption[] = L"Associate VP Head/Game Files?";

// Control ids in tab order.
inline constexpr int kYesButton = IDYES;
inline constexpr int kNoButton = IDNO;
inline constexpr int kDoNotAskCheck = 101;
inline constexpr int kQuestionText = 102;

// Shows the prompt as a modal dialog without an owner and returns when it is closed.
void ShowModal();

}  // namespace shell
