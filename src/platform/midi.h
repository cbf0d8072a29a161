// MIDI input devices: counted, named, opened with a callback and started.
#pragma once

#include <cstdint>

#include "platform/device_errors.h"

namespace platform {

constexpr int midiNameCapacity = 32;  // at most 31 bytes and a terminating zero

// Message kinds reported to the callback.
constexpr std::uint32_t midiMessageOpen = 0x3C1;
constexpr std::uint32_t midiMessageClose = 0x3C2;
constexpr std::uint32_t midiMessageData = 0x3C3;

struct MidiDevice;

// param1 of a data message packs a short message as
// status | data1 << 8 | data2 << 16; open and close notices carry 0.
using MidiCallback = void (*)(std::uint32_t message, std::uintptr_t param1,
                              std::uintptr_t param2);

int midiInputCount();

// Writes the name of input i, at most 31 bytes and a zero, into name.
void midiInputName(int index, char (&name)[midiNameCapacity]);

// 0 on success, deviceErrorAllocated when the device is in use elsewhere,
// another code on other failures (device then stays null).
int openMidiDevice(MidiDevice** device, int index, MidiCallback callback);

void startMidiDevice(MidiDevice* device);

// Whether an input of this name is one to play from.
using MidiNameTest = bool (*)(const char* name);

// From now on, whenever no input is open and one appears whose name accepted
// takes (a keyboard plugged in again, a sound server started again), it is
// opened and started with the callback. Hosts whose inputs do not come and
// go do nothing.
void watchMidiInputs(MidiNameTest accepted, MidiCallback callback);

}  // namespace platform
