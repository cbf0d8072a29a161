// The menu commands: open an organ, audition a WAV file, the About and
// Settings dialogs, and leaving the program.
#pragma once

#include "platform/window.h"

constexpr int chosenPathCapacity = 256;

// Runs the command: Open Organ, Open Wav, Exit, Settings or About. True for
// the ids it handles; the others are left to the window system's default
// handling. Opening an organ may end the process as openOrgan does.
bool handleCommand(int command);

// Shows the open-file chooser with filters; true when a path was chosen and
// copied into destination. A path longer than the destination holds is
// refused with a line on standard error, and destination is left empty.
bool chooseFile(char (&destination)[chosenPathCapacity], const platform::FileFilter (&filters)[2]);

// Loads the organ definition at path with every stop's samples, lays out the
// stop buttons and prepares the mix. Ends the process with the code of any
// load that fails (exitDefinitionUnreadable, exitSampleMissing,
// exitSampleRefused, exitButtonImageMissing).
void openOrgan(const char* path);

// Both end their dialog on OK or Cancel; Settings then repaints the window.
bool aboutDialogProcedure(platform::DialogMessage message, int controlId);
bool settingsDialogProcedure(platform::DialogMessage message, int controlId);
