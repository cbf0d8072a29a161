// An optional trace of the engine's share of a key's latency: the time from
// a MIDI message reaching the callback to the next block submitted, written
// in microseconds, one line per block, to the file named by the environment
// variable VELMARA_JACK_TIMING. Without it nothing is measured.
#pragma once

namespace platform::jack {

// Called on the process thread as a MIDI message is handed on.
void noteMidiArrival();

// Called on the main thread when a block has been handed to the device.
void noteBlockSubmitted();

}  // namespace platform::jack
