// The voice mixer: keys add and subtract their samples in the accumulator,
// the output follows scaled by the voice count, and a play hands the play
// window of a copy to the wave output.
#include "sound/voice_mixer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "bank/organ_bank.h"
#include "display/graphics.h"
#include "platform/process.h"
#include "sound/mix_kernels.h"
#include "sound/wave_output.h"

std::unique_ptr<std::int32_t[]> mixAccumulator;
std::unique_ptr<std::int16_t[]> mixOutput;
std::unique_ptr<std::int16_t[]> playBuffer;
std::int32_t polyphony = 0;
std::int32_t polyphonyDivisor[maxMixedVoices + 1] = {};

namespace {

constexpr int sampleTooShort = 801;

// Entries from here on never reach the device, so they are not computed.
constexpr std::int32_t heardLength = playWindowStart + playWindowBytes / sizeof(std::int16_t);

static_assert(maxMixedVoices <= maxKernelSamples && keyCount - 1 <= maxKernelDivisor);

// What keyDown did for a key, so that keyUp undoes exactly that.
struct HeldKey {
    bool counted;
    bool mixed;  // its sample is in the accumulator
    int stop;    // the stop and offset it was mixed with
    int offset;
};

HeldKey heldKeys[keyCount] = {};

void showPolyphony()
{
    char text[32];
    std::snprintf(text, sizeof text, "Polyphonie : %d", polyphony);
    textOut(20, 100, text);
}

}  // namespace

void fillPolyphonyDivisor()
{
    for (int n = 1; n <= maxMixedVoices; ++n)
        polyphonyDivisor[n] = static_cast<std::int32_t>(std::log(static_cast<double>(n)) + 1.0);
}

void prepareMix()
{
    if (!playBuffer) playBuffer = std::make_unique<std::int16_t[]>(mixLength);
    if (!mixOutput) mixOutput = std::make_unique<std::int16_t[]>(mixLength);
    if (!mixAccumulator) mixAccumulator = std::make_unique<std::int32_t[]>(mixLength);
    std::fill_n(mixAccumulator.get(), mixLength, 0);
    // The samples the held keys were mixed with may have been released.
    for (HeldKey& held : heldKeys) held.mixed = false;
}

void keyDown(int stop, int key, int offset)
{
    const std::int32_t size = organBank.sampleSize[stop][key];
    if (size == 0) return;
    if (size < offset + mixLength) platform::exitNormally(sampleTooShort);
    HeldKey& held = heldKeys[key];
    held = {true, false, stop, offset};
    if (polyphony + 1 <= maxMixedVoices) {
        addAndScale(mixAccumulator.get(), mixOutput.get(), organBank.sampleData[stop][key].get() + offset,
                    heardLength, polyphonyDivisor[polyphony + 1]);
        held.mixed = true;
    }
    ++polyphony;
    showPolyphony();
}

// The stop the key is released under does not matter: the key takes out
// what it put in.
void keyUp([[maybe_unused]] int stop, int key)
{
    HeldKey& held = heldKeys[key];
    if (!held.counted) return;
    if (polyphony <= 1) {
        resetMix();
        polyphony = 0;
    } else {
        if (held.mixed)
            subtractAndScale(mixAccumulator.get(), mixOutput.get(),
                             organBank.sampleData[held.stop][key].get() + held.offset, heardLength, polyphony - 1);
        --polyphony;
    }
    held = {};
    showPolyphony();
}

void resetMix()
{
    stopWaveOutput();
    std::fill_n(mixAccumulator.get(), mixLength, 0);
}

void playMix()
{
    if (!playBuffer) return;
    if (waveDone.load() == 0) stopWaveOutput();
    std::copy_n(mixOutput.get() + playWindowStart, heardLength - playWindowStart, playBuffer.get() + playWindowStart);
    submitWave(playBuffer.get() + playWindowStart, playWindowBytes);
}
