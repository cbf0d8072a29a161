// The Windows program's entry point: the system's entry function takes no
// arguments, so the instance, command line and show command are not used.
#include <windows.h>

#include "shell/velmara_main.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return velmaraMain(); }
