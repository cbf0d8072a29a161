// Pipe synthesis (see pipe_synth.h). Each pipe's steady and onset waveforms
// are built once as one-period tables from their spectra, then read at the
// pipe's pitch with linear interpolation, cross-faded from onset to steady.
#include "pipe_synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace {

constexpr double pi = std::numbers::pi;
constexpr int tableLength = 4096;  // a power of two: indices wrap by masking
constexpr int maxHarmonics = 100;
constexpr double highestPartial = 16000.0;
constexpr int speechStartFrame = 44;  // 1 ms: the player starts at frame 29
constexpr int wanderStepFrames = 64;   // the wind's slow swell, updated every 1.5 ms
constexpr double chiffRise = 0.002;
constexpr double fadeSeconds = 0.08;
constexpr double farSideGain = 0.86;   // the C and C# sides of the chest sit apart
constexpr double trebleFallDecibels = 2.5;

using Table = std::vector<float>;  // one period, tableLength + 1 entries

const std::vector<double>& sineTable()
{
    static const std::vector<double> table = [] {
        std::vector<double> values(tableLength);
        for (int i = 0; i < tableLength; ++i) values[i] = std::sin(2.0 * pi * i / tableLength);
        return values;
    }();
    return table;
}

double rms(const Table& table)
{
    double sum = 0.0;
    for (int i = 0; i < tableLength; ++i) sum += static_cast<double>(table[i]) * table[i];
    return std::sqrt(sum / tableLength);
}

// One period of the sum of harmonics amplitude(n) with the given phases,
// scaled to unit RMS.
template <typename Amplitude>
Table buildTable(double frequency, const std::vector<int>& phases, Amplitude amplitude)
{
    const std::vector<double>& sine = sineTable();
    std::vector<double> sum(tableLength, 0.0);
    // The top quarter of the harmonics fades out, so the spectrum has no edge.
    const double limit = std::min<double>(maxHarmonics, highestPartial / frequency);
    for (int n = 1; n <= limit; ++n) {
        const double taper = std::min(1.0, 4.0 * (1.0 - n / (limit + 1.0)));
        const double a = amplitude(n) * taper;
        if (a < 1e-4) continue;
        for (int i = 0; i < tableLength; ++i) sum[i] += a * sine[(n * i + phases[n]) & (tableLength - 1)];
    }
    Table table(sum.begin(), sum.end());
    table.push_back(table[0]);
    const double scale = 1.0 / rms(table);
    for (float& value : table) value = static_cast<float>(value * scale);
    return table;
}

float readTable(const Table& table, double phase)
{
    const int index = static_cast<int>(phase);
    const float fraction = static_cast<float>(phase - index);
    return table[index] + fraction * (table[index + 1] - table[index]);
}

// White noise through a band-pass biquad, scaled to unit RMS.
std::vector<float> bandNoise(std::mt19937& random, int frames, double centre, double q)
{
    const double w = 2.0 * pi * centre / sampleRate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double a0 = 1.0 + alpha;
    const double b0 = alpha / a0, b2 = -alpha / a0, a1 = -2.0 * std::cos(w) / a0, a2 = (1.0 - alpha) / a0;
    std::uint32_t state = static_cast<std::uint32_t>(random()) | 1u;
    std::vector<float> out(frames);
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0, sum = 0;
    for (int i = 0; i < frames; ++i) {
        state ^= state << 13, state ^= state >> 17, state ^= state << 5;  // xorshift32
        const double x = state * (2.0 / 4294967296.0) - 1.0;
        const double y = b0 * x + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1, x1 = x, y2 = y1, y1 = y;
        out[i] = static_cast<float>(y);
        sum += y * y;
    }
    const double scale = 1.0 / std::sqrt(sum / frames + 1e-12);
    for (float& value : out) value = static_cast<float>(value * scale);
    return out;
}

double raisedCosine(double t, double length) { return t <= 0 ? 0.0 : t >= length ? 1.0 : 0.5 - 0.5 * std::cos(pi * t / length); }

// The pipe's tone, one value per frame: the onset table fading into the
// settled one while the speech envelope rises, with a slow breath of wind.
std::vector<float> pipeTone(const PipeRank& rank, double frequency, const PipeSpeech& speech, std::mt19937& random,
                            int frames)
{
    std::vector<int> phases(maxHarmonics + 1);
    std::uniform_int_distribution<int> phase(0, tableLength - 1);
    for (int& p : phases) p = phase(random);
    const Table settled = buildTable(frequency, phases, [&](int n) { return settledHarmonic(rank.family, n, frequency); });
    const Table onset = buildTable(frequency, phases, [&](int n) { return onsetHarmonic(rank.family, n, frequency); });

    std::uniform_real_distribution<double> angle(0.0, 2.0 * pi);
    const double wanderA = angle(random), wanderB = angle(random);
    const double step = frequency * tableLength / sampleRate;
    double position = 0.0;
    double wander = 1.0;
    std::vector<float> tone(frames, 0.0f);
    for (int i = speechStartFrame; i < frames; ++i) {
        const double t = static_cast<double>(i - speechStartFrame) / sampleRate;
        const double blend = raisedCosine(t, 2.0 * speech.onsetSeconds);
        if (i % wanderStepFrames == speechStartFrame % wanderStepFrames)
            wander = 1.0 + 0.004 * std::sin(2 * pi * 0.7 * t + wanderA) + 0.003 * std::sin(2 * pi * 1.9 * t + wanderB);
        const double value = (1.0 - blend) * readTable(onset, position) + blend * readTable(settled, position);
        tone[i] = static_cast<float>(raisedCosine(t, speech.onsetSeconds) * wander * value);
        position += step;
        if (position >= tableLength) position -= tableLength;
    }
    return tone;
}

// One channel: the tone with its chiff burst and breath noise, faded out at
// the end so the sample never stops with a click.
std::vector<float> pipeChannel(const std::vector<float>& tone, const PipeSpeech& speech, std::mt19937& random,
                               double gain)
{
    const int frames = static_cast<int>(tone.size());
    const std::vector<float> chiff = bandNoise(random, frames, speech.chiffFrequency, 2.0);
    const std::vector<float> wind = bandNoise(random, frames, std::min(speech.chiffFrequency * 1.5, 9000.0), 0.7);
    const double chiffDecay = 0.6 * speech.onsetSeconds;
    const double chiffEnd = 12.0 * chiffDecay;
    std::vector<float> channel(frames, 0.0f);
    for (int i = speechStartFrame; i < frames; ++i) {
        const double t = static_cast<double>(i - speechStartFrame) / sampleRate;
        const double chiffLevel =
            t < chiffEnd ? speech.chiffLevel * (1.0 - std::exp(-t / chiffRise)) * std::exp(-t / chiffDecay) : 0.0;
        const double windLevel = speech.windLevel * raisedCosine(t, speech.onsetSeconds);
        const double fade = raisedCosine(static_cast<double>(frames - i) / sampleRate, fadeSeconds);
        channel[i] = static_cast<float>(gain * fade * (tone[i] + chiffLevel * chiff[i] + windLevel * wind[i]));
    }
    return channel;
}

}  // namespace

std::vector<std::int16_t> synthesizePipe(const PipeRank& rank, int midiNote)
{
    const double frequency = 440.0 * std::pow(2.0, (midiNote - 69) / 12.0) * rank.pitchMultiple;
    const PipeSpeech speech = speechOf(rank.family, frequency);
    std::mt19937 random(static_cast<unsigned>(midiNote * 7919 + rank.pitchMultiple * 104729 + static_cast<int>(rank.family)));
    const int frames = static_cast<int>(sampleSeconds * sampleRate);

    const std::vector<float> tone = pipeTone(rank, frequency, speech, random, frames);
    const bool cSide = midiNote % 2 == 0;
    const std::vector<float> left = pipeChannel(tone, speech, random, cSide ? 1.0 : farSideGain);
    const std::vector<float> right = pipeChannel(tone, speech, random, cSide ? farSideGain : 1.0);

    float peak = 0.0f;
    for (int i = 0; i < frames; ++i) peak = std::max({peak, std::abs(left[i]), std::abs(right[i])});
    const double compass = (midiNote - 36) / 60.0;
    const double level = rank.peakLevel * std::pow(10.0, -trebleFallDecibels * compass / 20.0);
    const double scale = peak > 0.0f ? level / peak : 0.0;

    std::vector<std::int16_t> frameData(2 * static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        frameData[2 * i] = static_cast<std::int16_t>(std::lround(left[i] * scale));
        frameData[2 * i + 1] = static_cast<std::int16_t>(std::lround(right[i] * scale));
    }
    return frameData;
}
