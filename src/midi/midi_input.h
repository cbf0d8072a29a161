// MIDI input: the first device with an accepted name is opened, and its
// channel-1 note messages set and clear the 61 keyState flags.
#pragma once

#include <atomic>
#include <cstdint>

#include "bank/key_numbering.h"
#include "platform/midi.h"

// One flag per key, 1 while held. Written only by midiInputCallback.
extern std::atomic<std::uint8_t> keyState[keyCount];

extern platform::MidiDevice* midiInDevice;

void openMidiInput();
void midiInputCallback(std::uint32_t message, std::uintptr_t param1, std::uintptr_t param2);
