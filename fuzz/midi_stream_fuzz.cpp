// libFuzzer target: arbitrary bytes as a stream of MIDI input, each four
// bytes one short message (status, two data bytes) handed to
// midiInputCallback, the fourth byte saying whether a key-scan pass follows.
// The organ's one stop holds a distinct short sample per key.
#include <cstdint>
#include <cstring>

#include "bank/organ_bank.h"
#include "display/graphics.h"
#include "midi/midi_input.h"
#include "platform/cairo/surface_cairo.h"
#include "platform/headless/audio_headless.h"
#include "platform/headless/midi_headless.h"
#include "shell/app_state.h"
#include "shell/key_scan.h"
#include "sound/voice_mixer.h"
#include "sound/wave_output.h"

namespace {

void fillOrgan()
{
    organBank.stopCount = 1;
    organBank.currentStop = 0;
    std::strcpy(organBank.stops[0].name, "Montre");
    for (int key = 0; key < keyCount; ++key) {
        organBank.sampleData[0][key] = newSampleBuffer(mixLength);
        for (std::int32_t i = 22; i < mixLength / 2; ++i)
            organBank.sampleData[0][key][i] = static_cast<std::int16_t>((i * (key + 1)) % 4000 - 2000);
        organBank.sampleSize[0][key] = mixLength;
    }
}

// Every key up, seen by a pass, and the device idle again.
void releaseAllKeys()
{
    for (auto& flag : keyState) flag.store(0);
    keyScan();
    platform::headless::advanceAudioClock(1000);
    keyScan();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    createFonts();
    createBrushesAndPens();
    drawingContext = platform::cairo::beginSurfacePaint(palette[15]);
    fillOrgan();
    prepareMix();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A fresh device each time: the recording of what was played must not
    // grow from one input to the next.
    platform::headless::resetHeadlessAudio();
    openWaveOutput();
    for (std::size_t at = 0; at + 4 <= size; at += 4) {
        const std::uint32_t message = platform::headless::packMidiMessage(data[at], data[at + 1], data[at + 2]);
        midiInputCallback(platform::midiMessageData, message, 0);
        if (data[at + 3] & 1) keyScan();
        if (data[at + 3] & 2) platform::headless::advanceAudioClock(data[at + 3] >> 2);
    }
    releaseAllKeys();
    return 0;
}
