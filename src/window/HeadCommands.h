#pragma once
// The commands on the head file: Register and Unregister, choosing the file in the Open dialog, and
// files dropped onto the head file box or the Games list.
#include <windows.h>
#include <shellapi.h>

#include "platform/MainView.h"
#include "window/Registrar.h"

namespace window {

// Checks the head file box, logs into the panel, hands the file to the registrar and asks for a
// reload of the Games list.
void RegisterHead(MainView& view, Registrar& registrar);
void UnregisterHead(MainView& view, Registrar& registrar);

// The Open dialog: the chosen file goes into the head file box.
void BrowseForHead(MainView& view);

// An .ocx file dropped onto the head file box goes into it.
void TakeDroppedHead(MainView& view, HDROP drop);
// An .ocx file dropped onto the Games list: asks whether to register it.
void OfferDroppedHead(MainView& view, Registrar& registrar, HDROP drop);

}  // namespace window
