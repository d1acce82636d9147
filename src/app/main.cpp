#include <windows.h>

#include "app/Startup.h"
#include "registration/EntryWorker.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Started again by itself to run a head's entry point: nothing else of the program runs.
  if (const auto workerExit = registration::RunEntryWorkerIfAsked()) return *workerExit;
  return startup::Run();
}
