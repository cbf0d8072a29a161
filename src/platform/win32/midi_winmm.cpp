// MIDI input on winmm: devices counted and named through midiInGetDevCapsA,
// opened with a callback function and started. The seam's MidiDevice is the
// HMIDIIN itself; the device's messages reach the seam's callback unchanged.
#include <windows.h>
#include <mmsystem.h>

#include <cstring>

#include "platform/midi.h"

namespace platform {

namespace {

static_assert(MIM_OPEN == midiMessageOpen && MIM_CLOSE == midiMessageClose && MIM_DATA == midiMessageData);
static_assert(MMSYSERR_ALLOCATED == deviceErrorAllocated && MMSYSERR_ERROR == deviceErrorGeneral);
static_assert(sizeof(MIDIINCAPSA::szPname) == midiNameCapacity);

// The seam's callback travels as the device's instance data.
void CALLBACK forwardMidiMessage(HMIDIIN, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR param2)
{
    reinterpret_cast<MidiCallback>(instance)(message, param1, param2);
}

}  // namespace

int midiInputCount() { return static_cast<int>(midiInGetNumDevs()); }

void midiInputName(int index, char (&name)[midiNameCapacity])
{
    MIDIINCAPSA capabilities = {};
    midiInGetDevCapsA(static_cast<UINT_PTR>(index), &capabilities, sizeof(MIDIINCAPSA));
    std::memcpy(name, capabilities.szPname, midiNameCapacity);
    name[midiNameCapacity - 1] = '\0';
}

int openMidiDevice(MidiDevice** device, int index, MidiCallback callback)
{
    HMIDIIN handle = nullptr;
    const MMRESULT result = midiInOpen(&handle, static_cast<UINT>(index), reinterpret_cast<DWORD_PTR>(forwardMidiMessage),
                                       reinterpret_cast<DWORD_PTR>(callback), CALLBACK_FUNCTION);
    if (result == MMSYSERR_NOERROR) *device = reinterpret_cast<MidiDevice*>(handle);
    return static_cast<int>(result);
}

void startMidiDevice(MidiDevice* device) { midiInStart(reinterpret_cast<HMIDIIN>(device)); }

// winmm's input devices are counted once; the program never sees new ones.
void watchMidiInputs(MidiNameTest, MidiCallback) {}

}  // namespace platform
