// The entry function: start-up in its fixed order, then the endless main
// loop of one key scan and at most one window message per pass.
#pragma once

constexpr int resourceTextCapacity = 100;

extern char windowTitle[resourceTextCapacity];
extern char windowClassName[resourceTextCapacity];

// Returns 0 only when the main window cannot be created; otherwise the
// process ends inside the loop, on one of the system's exit paths.
int velmaraMain();
