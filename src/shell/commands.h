// The menu commands: open an organ, audition a WAV file, the About and
// Settings dialogs, and leaving the program.
#pragma once

#include "platform/window.h"

constexpr int chosenPathCapacity = 256;

// True for the ids the command table handles; the others are left to the
// window system's default handling.
bool handleCommand(int command);

// Shows the open-file chooser with filters; true when a path was chosen and
// copied into destination. A path longer than the destination holds is
// refused with a line on standard error, and destination is left empty.
bool chooseFile(char (&destination)[chosenPathCapacity], const platform::FileFilter (&filters)[2]);

// Loads the organ definition at path with every stop's samples, lays out the
// stop buttons and prepares the mix.
void openOrgan(const char* path);

bool aboutDialogProcedure(platform::DialogMessage message, int controlId);
bool settingsDialogProcedure(platform::DialogMessage message, int controlId);
