// The rate converters the importer could use, side by side: libsamplerate's
// three sinc converters and libsoxr's high quality with a flat pass band
// (its SSE engine and its plain C one), on the speed of making one key's
// window (0.57 s stereo at 44,100 Hz) and on what the organ keeps of pure
// tones once rounded to 16 bits. Prints libsoxr's time as a ratio of
// libsamplerate's best; the counters give each one's error after rounding
// (the rounding alone makes 0.29 step rms, 0.5 at most), its own error
// before, and its gain at 20 kHz.
#include <benchmark/benchmark.h>
#include <samplerate.h>
#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "fastest_ratio.h"

namespace {

constexpr std::size_t keyFrames = 24989;
constexpr double fullScale = 32767.0, amplitude = 0.5;
constexpr int marginFrames = 64;

using Converter = std::function<void(const std::vector<float>& in, std::vector<float>& out, double ratio)>;

void withSamplerate(int kind, const std::vector<float>& in, std::vector<float>& out, double ratio)
{
    SRC_DATA data{in.data(), out.data(), static_cast<long>(in.size() / 2), static_cast<long>(out.size() / 2), 0, 0,
                  1,         ratio};
    src_simple(&data, kind, 2);
}

void withSoxr(const std::vector<float>& in, std::vector<float>& out, double ratio)
{
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, SOXR_ROLLOFF_NONE);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_t converter = soxr_create(1.0, ratio, 2, nullptr, &io, &quality, &runtime);
    std::size_t made = 0, got = 0;
    soxr_process(converter, in.data(), in.size() / 2, nullptr, out.data(), out.size() / 2, &got);
    for (made = got; got > 0 && made < out.size() / 2; made += got)
        soxr_process(converter, nullptr, 0, nullptr, out.data() + 2 * made, out.size() / 2 - made, &got);
    soxr_delete(converter);
}

// libsoxr's engine follows SOXR_USE_SIMD at each soxr_create: "0" is its
// plain C engine, "1" the SSE one it picks by itself on x86-64.
Converter soxrEngine(const char* simd)
{
    return [simd](const std::vector<float>& in, std::vector<float>& out, double ratio) {
        ::setenv("SOXR_USE_SIMD", simd, 1);
        withSoxr(in, out, ratio);
        ::unsetenv("SOXR_USE_SIMD");
    };
}

struct Candidate {
    const char* name;
    Converter convert;
};

const Candidate candidates[] = {
    {"samplerateBest", [](auto& in, auto& out, double r) { withSamplerate(SRC_SINC_BEST_QUALITY, in, out, r); }},
    {"samplerateMedium", [](auto& in, auto& out, double r) { withSamplerate(SRC_SINC_MEDIUM_QUALITY, in, out, r); }},
    {"samplerateFastest", [](auto& in, auto& out, double r) { withSamplerate(SRC_SINC_FASTEST, in, out, r); }},
    {"soxrHighSse", soxrEngine("1")},
    {"soxrHighPlainC", soxrEngine("0")},
};

// The importer's common cases: a 48 kHz recording played 200 cents up, a
// 44.1 kHz one played 400 cents down; and for the pass band, a 48 kHz one
// at its pitch and a 44.1 kHz one 200 cents up.
struct Case {
    int rate;
    double cents;
    double ratio() const { return 44100.0 / rate / std::exp2(cents / 1200.0); }
};
constexpr Case cases[] = {{48000, 200}, {44100, -400}};
constexpr Case passBandCases[] = {{48000, 0}, {44100, 200}};

// Enough of a tone at `frequency` Hz of the output for one key's window.
std::vector<float> toneInput(const Case& c, double frequency)
{
    const double inputFrequency = frequency / std::exp2(c.cents / 1200.0);
    const auto frames = static_cast<std::size_t>(std::ceil(keyFrames / c.ratio())) + marginFrames;
    std::vector<float> in(2 * frames);
    for (std::size_t i = 0; i < frames; ++i)
        in[2 * i] = in[2 * i + 1] = static_cast<float>(
            amplitude * std::sin(2 * std::numbers::pi * inputFrequency * static_cast<double>(i) / c.rate));
    return in;
}

struct ToneError {
    double rms = 0, max = 0;  // in 16-bit steps, away from the window's edges
    double gainDb = 0;        // the tone's level out over in
};

ToneError measure(const Converter& convert, const Case& c, double frequency, bool rounded)
{
    std::vector<float> out(2 * keyFrames);
    convert(toneInput(c, frequency), out, c.ratio());
    ToneError error;
    double sum = 0, power = 0, outPower = 0;
    const std::size_t edge = 2000, count = keyFrames - 2 * edge;
    for (std::size_t i = edge; i < keyFrames - edge; ++i) {
        const double exact =
            fullScale * amplitude * std::sin(2 * std::numbers::pi * frequency * static_cast<double>(i) / 44100.0);
        const double made = fullScale * out[2 * i];
        const double kept = rounded ? std::round(made) : made;
        sum += (kept - exact) * (kept - exact);
        error.max = std::max(error.max, std::abs(kept - exact));
        power += exact * exact;
        outPower += made * made;
    }
    error.rms = std::sqrt(sum / static_cast<double>(count));
    error.gainDb = 10 * std::log10(outPower / power);
    return error;
}

// The worst over tones from the organ's lowest pipe to 15 kHz and both cases
// (beyond, the 44.1 kHz recording's tone would lie past 20 kHz).
ToneError worstError(const Converter& convert, bool rounded)
{
    ToneError worst;
    for (const Case& c : cases)
        for (double frequency : {32.7, 261.6, 1000.0, 4186.0, 10000.0, 15000.0}) {
            const ToneError e = measure(convert, c, frequency, rounded);
            worst.rms = std::max(worst.rms, e.rms);
            worst.max = std::max(worst.max, e.max);
        }
    return worst;
}

double worstGainAt20k(const Converter& convert)
{
    double worst = 0;
    for (const Case& c : passBandCases) {
        const double gain = measure(convert, c, 20000.0, false).gainDb;
        if (std::abs(gain) > std::abs(worst)) worst = gain;
    }
    return worst;
}

void convertOneKey(benchmark::State& state, const Candidate& candidate)
{
    const Case c = cases[0];
    const std::vector<float> in = toneInput(c, 440.0);
    std::vector<float> out(2 * keyFrames);
    for (auto _ : state) {
        candidate.convert(in, out, c.ratio());
        benchmark::DoNotOptimize(out.data());
    }
    const ToneError error = worstError(candidate.convert, true);
    state.counters["rmsLSB"] = error.rms;
    state.counters["maxLSB"] = error.max;
    state.counters["ownRmsLSB"] = worstError(candidate.convert, false).rms;
    state.counters["dBat20k"] = worstGainAt20k(candidate.convert);
}

// The floor: the exact tone itself rounded to 16 bits.
void roundingFloor(benchmark::State& state)
{
    double sum = 0;
    constexpr int count = 100000;
    for (auto _ : state) {
        sum = 0;
        for (int i = 0; i < count; ++i) {
            const double value = fullScale * amplitude * std::sin(0.0123456 * i);
            sum += (std::round(value) - value) * (std::round(value) - value);
        }
    }
    state.counters["rmsLSB"] = std::sqrt(sum / count);
}

}  // namespace

int main(int argc, char** argv)
{
    for (const Candidate& candidate : candidates)
        benchmark::RegisterBenchmark(candidate.name, convertOneKey, candidate)
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(3);
    benchmark::RegisterBenchmark("roundingFloor", roundingFloor)->Iterations(1);
    runAndPrintFastestRatio(argc, argv, BenchClock::processCpu, "soxrHighSse", "samplerateBest",
                            "libsoxr high quality (SSE) / libsamplerate best");
    return 0;
}
