// MIDI input: choosing and opening the input device, and decoding its
// channel-1 note messages into keyState.
#include "midi/midi_input.h"

#include <cstdio>
#include <cstring>

#include "display/graphics.h"

std::atomic<std::uint8_t> keyState[keyCount] = {};
platform::MidiDevice* midiInDevice = nullptr;

namespace {

constexpr const char* acceptedNames[] = {
    "Axiom Pro 61 USB A In",
    "P\xE9riph\xE9rique audio USB",
};

constexpr std::uint8_t noteOff = 0x80;
constexpr std::uint8_t noteOn = 0x90;

bool isAcceptedName(const char* name)
{
    for (const char* accepted : acceptedNames)
        if (std::strcmp(name, accepted) == 0) return true;
    return false;
}

void openAcceptedDevice(int index, const char* name)
{
    textOut(100, 70, name);
    const int result = platform::openMidiDevice(&midiInDevice, index, midiInputCallback);
    // Flushed at once: standard output is a file or a pipe when anyone reads
    // it, and the immediate exits (Escape, closing the window) drop what a
    // buffer still holds.
    if (result != 0 && result != platform::deviceErrorAllocated) {
        std::fputs("There was an error opening the default MIDI In device!", stdout);
        std::fflush(stdout);
    }
    if (result == 0) platform::startMidiDevice(midiInDevice);
}

void openFirstAcceptedDevice()
{
    const int count = platform::midiInputCount();
    if (count == 0) return;
    textOut(100, 50, "MIDI INPUT DETECTE");
    for (int i = 0; i < count; ++i) {
        char name[platform::midiNameCapacity] = {};
        platform::midiInputName(i, name);
        if (!isAcceptedName(name)) continue;
        openAcceptedDevice(i, name);
        return;
    }
}

}  // namespace

void openMidiInput()
{
    openFirstAcceptedDevice();
    platform::watchMidiInputs(isAcceptedName, midiInputCallback);
}

void midiInputCallback(std::uint32_t, std::uintptr_t param1, std::uintptr_t)
{
    const auto status = static_cast<std::uint8_t>(param1 & 0xFF);
    const auto note = static_cast<int>((param1 >> 8) & 0xFF);
    const auto velocity = static_cast<std::uint8_t>((param1 >> 16) & 0xFF);
    if (note < firstMidiNote || note > lastMidiNote) return;
    if (status == noteOn)
        keyState[note - firstMidiNote].store(velocity != 0 ? 1 : 0, std::memory_order_relaxed);
    else if (status == noteOff)
        keyState[note - firstMidiNote].store(0, std::memory_order_relaxed);
}
