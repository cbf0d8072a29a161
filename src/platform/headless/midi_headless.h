// Controls of the headless MIDI inputs: a scripted list of named devices,
// the result each open gives, and messages sent from the opened device's
// own thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform::headless {

// Adds an input device; devices are numbered 0, 1, ... in the order added.
void addMidiDevice(const std::string& name);

// Opening device index returns code (0 by default).
void setMidiOpenResult(int index, int code);

// The index of the device opened with success, or -1.
int openedMidiDevice();

// Packs a short message as status | data1 << 8 | data2 << 16.
constexpr std::uint32_t packMidiMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    return status | static_cast<std::uint32_t>(data1) << 8 | static_cast<std::uint32_t>(data2) << 16;
}

// Hands messages to the opened and started device, which delivers them to
// its callback from its own thread; returns at once. False (and nothing is
// sent) when no device is open and started.
bool postMidiMessages(const std::vector<std::uint32_t>& messages);

// Returns when the device's callback has returned for every posted message.
void waitMidiDelivered();

// Posts one message and waits until its callback has returned.
bool sendMidiMessage(std::uint32_t message);

// Forgets every device, stopping the thread of the opened one.
void removeMidiDevices();

}  // namespace platform::headless
