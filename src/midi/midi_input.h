// MIDI input: the first device with an accepted name is opened, and its
// channel-1 note messages set and clear the 61 keyState flags.
#pragma once

#include <atomic>
#include <cstdint>

#include "bank/key_numbering.h"
#include "platform/midi.h"

// One flag per key, 1 while held. Written only by midiInputCallback.
extern std::atomic<std::uint8_t> keyState[keyCount];

// The opened device, null without one.
extern platform::MidiDevice* midiInDevice;

// Opens and starts the first input whose name is accepted; with none, or a
// failed open (a line on standard output unless the device is in use
// elsewhere), the organ runs without MIDI input. Then asks the host to keep
// watching for an accepted input where inputs come and go. Never ends the
// process.
void openMidiInput();

// The device's callback: Note On and Note Off on channel 1 for notes 36 to
// 96 set and clear keyState; every other message changes nothing.
void midiInputCallback(std::uint32_t message, std::uintptr_t param1, std::uintptr_t param2);
