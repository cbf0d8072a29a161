// Application state of the shell that other subsystems read: the key scan's
// copy of keyState, the play flag, and the last left-button press.
#pragma once

#include <cstdint>

#include "bank/key_numbering.h"
#include "display/graphics.h"

extern std::uint8_t keyStatePrev[keyCount];
extern int playPending;
extern int mouseDown;
extern LogicalPoint mousePoint;  // logical position of the last press
