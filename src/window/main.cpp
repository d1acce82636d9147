#include <windows.h>

#include "window/Startup.h"
#include "cli/SilentCommands.h"
#include "registration/EntryWorker.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Started again by itself to run a head's entry point: nothing else of the program runs.
  if (const auto workerExit = registration::RunEntryWorkerIfAsked()) return *workerExit;
  // A silent command line: no window, no hand-off, no single-instance claim.
  if (const auto commandExit = cli::RunIfAsked()) return *commandExit;
  return window::Run();
}
