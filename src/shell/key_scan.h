// The key scan: one pass of the main loop's logic, turning changes of
// keyState into keys redrawn, voices mixed and the mix played.
#pragma once

void keyScan();
