// keyDown, keyUp and playMix against a plain reference written the way the
// mixer is described (one scalar pass over all 100,000 entries with one
// integer division each), in the same run, after checking that both give the
// same played entries; prints the ratios and the time of one key press.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bank/organ_bank.h"
#include "display/graphics.h"
#include "platform/headless/headless_audio.h"
#include "platform/process.h"
#include "sound/voice_mixer.h"
#include "sound/wave_output.h"

namespace {

std::int32_t referenceAccumulator[mixLength];
std::int16_t referenceOutput[mixLength];
std::int16_t referencePlayBuffer[mixLength];
std::int32_t referencePolyphony = 0;

void plainShowPolyphony()
{
    char text[32];
    std::snprintf(text, sizeof text, "Polyphonie : %d", referencePolyphony);
    textOut(20, 100, text);
}

void plainKeyDown(int stop, int key, int offset)
{
    if (organBank.sampleSize[stop][key] < offset + mixLength) platform::exitNormally(801);
    if (referencePolyphony + 1 <= maxMixedVoices) {
        const std::int16_t* sample = organBank.sampleData[stop][key].get();
        for (int i = 0; i < mixLength; ++i) {
            referenceAccumulator[i] += sample[offset + i];
            referenceOutput[i] =
                static_cast<std::int16_t>(referenceAccumulator[i] / polyphonyDivisor[referencePolyphony + 1]);
        }
    }
    ++referencePolyphony;
    plainShowPolyphony();
}

void plainKeyUp(int stop, int key)
{
    if (referencePolyphony <= 1) {
        stopWaveOutput();
        std::fill(std::begin(referenceAccumulator), std::end(referenceAccumulator), 0);
        referencePolyphony = 0;
    } else {
        const std::int16_t* sample = organBank.sampleData[stop][key].get();
        for (int i = 0; i < mixLength; ++i) {
            referenceAccumulator[i] -= sample[i];
            referenceOutput[i] = static_cast<std::int16_t>(referenceAccumulator[i] / (referencePolyphony - 1));
        }
        --referencePolyphony;
    }
    plainShowPolyphony();
}

void plainPlayMix()
{
    if (waveDone.load() == 0) stopWaveOutput();
    for (int i = 0; i < mixLength; ++i) referencePlayBuffer[i] = referenceOutput[i];
    submitWave(referencePlayBuffer + playWindowStart, playWindowBytes);
}

struct Mixer {
    void (*keyDown)(int stop, int key, int offset);
    void (*keyUp)(int stop, int key);
    void (*playMix)();
};

constexpr Mixer mixer = {keyDown, keyUp, playMix};
constexpr Mixer reference = {plainKeyDown, plainKeyUp, plainPlayMix};

// Quiet samples, so that no sum of 31 of them leaves 16 bits and the
// reference's wrap-around never shows.
void fillOrgan()
{
    std::mt19937 random(61);
    std::uniform_int_distribution<int> value(-1000, 1000);
    for (int key = 0; key < keyCount; ++key) {
        auto entries = std::make_unique<std::int16_t[]>(minSampleBytes);
        for (int i = 0; i < minSampleBytes / 2; ++i) entries[i] = static_cast<std::int16_t>(value(random));
        organBank.sampleData[0][key] = std::move(entries);
        organBank.sampleSize[0][key] = minSampleBytes;
    }
}

void releaseAll(const Mixer& m)
{
    for (int key = 0; key < keyCount; ++key) m.keyUp(0, key);
}

void holdKeys(const Mixer& m, int count)
{
    releaseAll(m);
    for (int key = 0; key < count; ++key) m.keyDown(0, key, 0);
}

template <class Action>
double secondsOf(Action action)
{
    const auto start = std::chrono::steady_clock::now();
    action();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Presses one more key over state.range(0) held ones; releasing it again is
// not timed.
void pressKey(benchmark::State& state, const Mixer& m)
{
    const int held = static_cast<int>(state.range(0));
    holdKeys(m, held);
    for (auto _ : state) {
        state.SetIterationTime(secondsOf([&] { m.keyDown(0, held, 0); }));
        m.keyUp(0, held);
    }
}

// Releases the last of state.range(0) held keys; pressing it again is not
// timed.
void releaseKey(benchmark::State& state, const Mixer& m)
{
    const int held = static_cast<int>(state.range(0));
    holdKeys(m, held);
    for (auto _ : state) {
        state.SetIterationTime(secondsOf([&] { m.keyUp(0, held - 1); }));
        m.keyDown(0, held - 1, 0);
    }
}

// Plays a mix of three keys on an idle device, which is reset untimed.
void play(benchmark::State& state, const Mixer& m)
{
    holdKeys(m, 3);
    for (auto _ : state) {
        platform::headless::resetAudioDevice();
        state.SetIterationTime(secondsOf(m.playMix));
    }
}

void KeyDown(benchmark::State& state) { pressKey(state, mixer); }
void referenceKeyDown(benchmark::State& state) { pressKey(state, reference); }
void KeyUp(benchmark::State& state) { releaseKey(state, mixer); }
void referenceKeyUp(benchmark::State& state) { releaseKey(state, reference); }
void PlayMix(benchmark::State& state) { play(state, mixer); }
void referencePlayMix(benchmark::State& state) { play(state, reference); }

// Held keys before the press: the new voice count's divisor is 1, 2, 3, 4.
const std::vector<std::int64_t> pressArguments = {0, 2, 7, 20};
// Held keys before the release: the remaining count is 2, 7, 20.
const std::vector<std::int64_t> releaseArguments = {3, 8, 21};

void configure(benchmark::internal::Benchmark* benchmark)
{
    benchmark->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(0.1)->Repetitions(5);
}

BENCHMARK(KeyDown)->ArgsProduct({pressArguments})->Apply(configure);
BENCHMARK(referenceKeyDown)->ArgsProduct({pressArguments})->Apply(configure);
BENCHMARK(KeyUp)->ArgsProduct({releaseArguments})->Apply(configure);
BENCHMARK(referenceKeyUp)->ArgsProduct({releaseArguments})->Apply(configure);
BENCHMARK(PlayMix)->Apply(configure);
BENCHMARK(referencePlayMix)->Apply(configure);

bool sameHeardEntries(const std::int16_t* a, const std::int16_t* b)
{
    return std::equal(a + playWindowStart, a + mixLength / 2, b + playWindowStart);
}

// Both mixers through presses, releases and a play, compared at every step.
bool outputsAgree()
{
    holdKeys(mixer, 0);
    holdKeys(reference, 0);
    for (int key = 0; key < 25; ++key) {
        mixer.keyDown(0, key, 0);
        reference.keyDown(0, key, 0);
        if (!sameHeardEntries(mixOutput.get(), referenceOutput)) return false;
    }
    for (int key = 24; key > 1; key -= 3) {
        mixer.keyUp(0, key);
        reference.keyUp(0, key);
        if (!sameHeardEntries(mixOutput.get(), referenceOutput)) return false;
    }
    mixer.playMix();
    reference.playMix();
    return sameHeardEntries(playBuffer.get(), referencePlayBuffer);
}

// The console report, remembering each benchmark's fastest repetition.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            double& fastest = fastestTime[run.run_name.function_name + "/" + run.run_name.args];
            if (fastest == 0.0 || run.GetAdjustedRealTime() < fastest) fastest = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatio(const std::string& name, const std::string& args, const char* what) const
    {
        const std::string referenceName = "reference" + name;
        const auto own = fastestTime.find(name + "/" + args);
        const auto plain = fastestTime.find(referenceName + "/" + args);
        if (own == fastestTime.end() || plain == fastestTime.end()) return;
        std::printf("%-8s %-26s %8.2f us, reference %8.2f us: %5.1fx\n", name.c_str(), what, own->second,
                    plain->second, plain->second / own->second);
    }

    std::map<std::string, double> fastestTime;
};

}  // namespace

int main(int argc, char** argv)
{
    std::vector<char*> arguments(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleave);
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());

    openWaveOutput();
    fillOrgan();
    prepareMix();
    if (!outputsAgree()) {
        std::fputs("the mixer and the reference disagree on the played entries\n", stderr);
        return 1;
    }

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::puts("Fastest repetitions, per call:");
    const char* pressed[] = {"press, divisor 1", "press, divisor 2", "press, divisor 3", "press, divisor 4"};
    for (std::size_t i = 0; i < pressArguments.size(); ++i)
        reporter.printRatio("KeyDown", std::to_string(pressArguments[i]), pressed[i]);
    const char* released[] = {"release, 2 voices remain", "release, 7 voices remain", "release, 20 voices remain"};
    for (std::size_t i = 0; i < releaseArguments.size(); ++i)
        reporter.printRatio("KeyUp", std::to_string(releaseArguments[i]), released[i]);
    reporter.printRatio("PlayMix", "", "play of a three-key mix");
    benchmark::Shutdown();
    return 0;
}
