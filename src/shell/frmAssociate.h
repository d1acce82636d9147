#pragma once
// The Associate prompt shown at start-up when .ocx files are not associated with the program.
namespace frmAssociate {

// Shows the prompt as a modal dialog without an owner and returns when it is closed.
void ShowModal();

}  // namespace frmAssociate
