#include <windows.h>

#include "app/modMultipleInstance.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return modMultipleInstance::Main(); }
