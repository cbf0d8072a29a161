// The voice mixer (see voice_mixer.h). It remembers, for every key, whether
// keyDown counted it and which sample entries it added, so that keyUp takes
// away exactly that: nothing for a key counted past 31 voices or pressed
// before a new organ was prepared, and the sample it was pressed with even
// when another stop has been chosen since. The bank releases sample buffers
// only while an organ opens, and prepareMix, which follows every opening,
// forgets the added samples, so no released buffer is ever read.
#include "sound/voice_mixer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "bank/organ_bank.h"
#include "display/graphics.h"
#include "platform/process.h"
#include "sound/mix_kernels.h"
#include "sound/wave_output.h"

std::int32_t* mixAccumulator = nullptr;
std::int16_t* mixOutput = nullptr;
std::int16_t* playBuffer = nullptr;
std::int32_t polyphony = 0;
std::int32_t polyphonyDivisor[maxMixedVoices + 1] = {};

// The bank refuses a sample whose sound the play window would not start on a frame of.
static_assert(playWindowStart * sizeof(std::int16_t) == firstHeardByte);

namespace {

struct HeldKey {
    bool counted;
    const std::int16_t* added;  // the entries mixed in, or null
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
    for (int n = 1; n <= maxMixedVoices; ++n) polyphonyDivisor[n] = static_cast<std::int32_t>(std::log(n) + 1.0);
}

void prepareMix()
{
    if (playBuffer == nullptr) playBuffer = new std::int16_t[mixLength]();
    if (mixOutput == nullptr) mixOutput = new std::int16_t[mixLength]();
    if (mixAccumulator == nullptr) mixAccumulator = new std::int32_t[mixLength]();
    std::fill_n(mixAccumulator, mixLength, 0);
    for (HeldKey& held : heldKeys) held.added = nullptr;
}

void keyDown(int stop, int key, int offset)
{
    const std::int16_t* sample = organBank.sampleData[stop][key].get();
    if (sample == nullptr || mixAccumulator == nullptr) return;  // no organ in this slot: the key is ignored
    if (organBank.sampleSize[stop][key] < offset + mixLength) platform::exitNormally(platform::exitSampleRefused);

    HeldKey& held = heldKeys[key];
    held = {true, nullptr};
    if (polyphony + 1 <= maxMixedVoices) {
        held.added = sample + offset;
        addAndScale(mixAccumulator, held.added, mixOutput, playWindowEnd, polyphonyDivisor[polyphony + 1]);
    }
    ++polyphony;
    showPolyphony();
}

void keyUp([[maybe_unused]] int stop, int key)
{
    HeldKey& held = heldKeys[key];
    if (!held.counted) return;  // its press was ignored: there is nothing to undo
    const std::int16_t* added = held.added;
    held = {};

    if (polyphony <= 1) {
        resetMix();
        polyphony = 0;
    } else {
        const int remaining = polyphony - 1;
        if (added != nullptr)
            subtractAndScale(mixAccumulator, added, mixOutput, playWindowEnd, remaining);
        else
            scaleOnly(mixAccumulator, mixOutput, playWindowEnd, remaining);
        polyphony = remaining;
    }
    showPolyphony();
}

void resetMix()
{
    stopWaveOutput();
    std::fill_n(mixAccumulator, mixLength, 0);
}

void playMix()
{
    if (playBuffer == nullptr) return;  // no organ has been opened: there is nothing to play
    if (waveDone.load() == 0) stopWaveOutput();
    std::copy_n(mixOutput, playWindowEnd, playBuffer);
    submitWave(&playBuffer[playWindowStart], playWindowBytes);
}
