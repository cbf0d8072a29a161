// Application state of the shell, process-wide and zero at start.
#include "shell/app_state.h"

std::uint8_t keyStatePrev[keyCount] = {};
int playPending = 0;
int mouseDown = 0;
LogicalPoint mousePoint = {};
