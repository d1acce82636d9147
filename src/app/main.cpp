#include <windows.h>

#include "app/TestDropHook.h"
#include "app/modMultipleInstance.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  TestDropHook::Install();  // test hook: does nothing unless its environment variable is set
  return modMultipleInstance::Main();
}
