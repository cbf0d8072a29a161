// keyDown, keyUp and playMix against a plain mixer written the simple way
// (one scalar pass over all 100,000 entries with one integer division each),
// in the same run; the two must agree on every played entry.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "bank/organ_bank.h"
#include "platform/headless/audio_headless.h"
#include "sound/voice_mixer.h"
#include "sound/wave_output.h"

namespace {

// The reference: add or subtract a sample and divide every entry.
struct PlainMixer {
    std::int32_t accumulator[mixLength] = {};
    std::int16_t output[mixLength] = {};
    std::int16_t play[mixLength] = {};
    int voices = 0;

    void down(const std::int16_t* sample)
    {
        const int divisor = polyphonyDivisor[voices + 1];
        for (int i = 0; i < mixLength; ++i) {
            accumulator[i] += sample[i];
            output[i] = static_cast<std::int16_t>(std::clamp(accumulator[i] / divisor, -32768, 32767));
        }
        ++voices;
    }

    void up(const std::int16_t* sample)
    {
        if (voices <= 1) {
            std::fill_n(accumulator, mixLength, 0);
            voices = 0;
            return;
        }
        const int divisor = voices - 1;
        for (int i = 0; i < mixLength; ++i) {
            accumulator[i] -= sample[i];
            output[i] = static_cast<std::int16_t>(std::clamp(accumulator[i] / divisor, -32768, 32767));
        }
        --voices;
    }

    // Stops a playing buffer, copies the whole output and submits the window,
    // as playMix does.
    void playAll()
    {
        if (waveDone.load() == 0) stopWaveOutput();
        std::copy_n(output, mixLength, play);
        submitWave(&play[playWindowStart], playWindowBytes);
    }
};

PlainMixer& plain = *new PlainMixer;

void setUpOrgan()
{
    static const bool ready = [] {
        platform::headless::resetHeadlessAudio();
        openWaveOutput();
        for (int key = 0; key < keyCount; ++key) {
            SampleBuffer buffer = newSampleBuffer(2 * mixLength);
            for (int i = 0; i < mixLength; ++i) buffer[i] = static_cast<std::int16_t>((i * (key + 3)) % 16001 - 8000);
            organBank.sampleData[0][key] = std::move(buffer);
            organBank.sampleSize[0][key] = 2 * mixLength;
        }
        prepareMix();
        return true;
    }();
    (void)ready;
}

const std::int16_t* sampleOf(int key) { return organBank.sampleData[0][key].get(); }

void pressOnBoth(int key)
{
    keyDown(0, key, 0);
    plain.down(sampleOf(key));
}

void releaseOnBoth(int key)
{
    keyUp(0, key);
    plain.up(sampleOf(key));
}

void holdChord(int keys)
{
    for (int key = 0; key < keys; ++key) pressOnBoth(key);
}

void releaseChord(int keys)
{
    for (int key = 0; key < keys; ++key) releaseOnBoth(key);
}

void checkSameOutput(benchmark::State& state)
{
    playMix();
    plain.playAll();
    if (!std::equal(&playBuffer[playWindowStart], &playBuffer[playWindowEnd], &plain.play[playWindowStart]))
        state.SkipWithError("the mixer and the reference disagree on the played entries");
}

// One more key on top of a held chord of state.range(0) keys, then released
// again (untimed).
template <bool Reference>
void pressKey(benchmark::State& state)
{
    const int chordKeys = static_cast<int>(state.range(0));
    setUpOrgan();
    holdChord(chordKeys);
    pressOnBoth(chordKeys);
    checkSameOutput(state);
    releaseOnBoth(chordKeys);
    for (auto _ : state) {
        if (Reference)
            plain.down(sampleOf(chordKeys));
        else
            keyDown(0, chordKeys, 0);
        state.PauseTiming();
        if (Reference)
            plain.up(sampleOf(chordKeys));
        else
            keyUp(0, chordKeys);
        state.ResumeTiming();
    }
    releaseChord(chordKeys);
}

// One key of a held chord of state.range(0) keys released, then pressed
// again (untimed).
template <bool Reference>
void releaseKey(benchmark::State& state)
{
    const int chordKeys = static_cast<int>(state.range(0));
    setUpOrgan();
    holdChord(chordKeys);
    for (auto _ : state) {
        if (Reference)
            plain.up(sampleOf(0));
        else
            keyUp(0, 0);
        state.PauseTiming();
        if (Reference)
            plain.down(sampleOf(0));
        else
            keyDown(0, 0, 0);
        state.ResumeTiming();
    }
    checkSameOutput(state);
    releaseChord(chordKeys);
}

template <bool Reference>
void playChord(benchmark::State& state)
{
    const int chordKeys = 6;
    setUpOrgan();
    holdChord(chordKeys);
    for (auto _ : state) {
        if (Reference)
            plain.playAll();
        else
            playMix();
    }
    releaseChord(chordKeys);
}

// Chords under the pressed key whose new voice count divides by 1, 2, 3 and 4;
// chords whose release leaves 2, 7 and 20 voices.
const std::vector<std::int64_t> chordsUnderAPress = {0, 6, 7, 20};
const std::vector<std::int64_t> chordsReleasedFrom = {3, 8, 21};

BENCHMARK(pressKey<true>)->Name("keyDown/reference")->ArgsProduct({chordsUnderAPress})->Unit(benchmark::kMicrosecond);
BENCHMARK(pressKey<false>)->Name("keyDown/velmara")->ArgsProduct({chordsUnderAPress})->Unit(benchmark::kMicrosecond);
BENCHMARK(releaseKey<true>)->Name("keyUp/reference")->ArgsProduct({chordsReleasedFrom})->Unit(benchmark::kMicrosecond);
BENCHMARK(releaseKey<false>)->Name("keyUp/velmara")->ArgsProduct({chordsReleasedFrom})->Unit(benchmark::kMicrosecond);
BENCHMARK(playChord<true>)->Name("playMix/reference")->Unit(benchmark::kMicrosecond);
BENCHMARK(playChord<false>)->Name("playMix/velmara")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
