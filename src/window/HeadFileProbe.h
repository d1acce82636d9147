#pragma once
// What the head file box's text names, found out on a thread of its own: a file probe or a version
// read that a network share does not answer holds up that thread, never the window.
#include <memory>
#include <optional>
#include <string>

#include <windows.h>

#include "fileinfo/VersionFields.h"

struct HeadFileFacts {
  std::wstring text;                     // the text the facts are about
  bool plainFile = false;                // it names a file that is neither hidden nor system
  std::optional<VersionFields> version;  // the file's version strings, when it has them
};

class HeadFileProbe {
 public:
  HeadFileProbe() = default;
  ~HeadFileProbe() { Forget(); }
  HeadFileProbe(const HeadFileProbe&) = delete;
  HeadFileProbe& operator=(const HeadFileProbe&) = delete;

  // Starts finding out what text names; what an earlier probe finds is ignored from now on. When the
  // facts are ready, window receives message with the probe's number as wParam.
  void Start(HWND window, UINT message, const std::wstring& text);
  // Waits up to limitMs for the current probe: its facts when they came in time (then taken, so its
  // message brings nothing more), else nothing.
  std::optional<HeadFileFacts> Wait(DWORD limitMs);
  // The facts a probe's message announces, when that probe is the current one and not yet taken.
  std::optional<HeadFileFacts> Take(WPARAM number);
  // No current probe: what a running one finds is ignored.
  void Forget();

 private:
  struct Job;
  static DWORD WINAPI Run(void* job);
  std::optional<HeadFileFacts> TakeIfDone();

  std::shared_ptr<Job> job_;  // shared with its thread, which may outlive this probe
  HANDLE thread_ = nullptr;
  WPARAM number_ = 0;
};
