// An optional trace of the engine's timing, written to the file named by the
// environment variable VELMARA_JACK_TIMING, in microseconds: one line per
// block submitted, the time from a MIDI message reaching the callback to that
// block; and a line "cut-off" with the time from the server's stop to the
// report of the block it cut off. Without the variable nothing is measured.
#pragma once

namespace platform::jack {

// Called on the process thread as a MIDI message is handed on.
void noteMidiArrival();

// Called on the main thread when a block has been handed to the device.
void noteBlockSubmitted();

// Called on the library's thread when the server stops (async-signal-safe).
void noteServerStopped();

// Called on the watcher thread once the block cut off has been reported.
void noteCutOffReported();

}  // namespace platform::jack
