// The key scan: one pass of the main loop's logic, turning changes of
// keyState into keys redrawn, voices mixed and the mix played.
#pragma once

// Redraws, mixes and plays every key whose flag changed since the last pass;
// may end the process as keyDown and playMix do.
void keyScan();
