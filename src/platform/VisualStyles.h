#pragma once
// The themed look of the system's common controls for the program's dialogs, message boxes and
// file dialog. The main window is skinned and does without them, so start-up never loads them:
// a VisualStyles object switches them on for the windows made while it lives.
#include <windows.h>

class VisualStyles {
 public:
  VisualStyles();
  ~VisualStyles();
  VisualStyles(const VisualStyles&) = delete;
  VisualStyles& operator=(const VisualStyles&) = delete;

 private:
  ULONG_PTR cookie_ = 0;
  bool active_ = false;
};
