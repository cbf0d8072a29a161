// Voicing of the demo organ's pipe families (see pipe_rank.h).
#include "pipe_rank.h"

#include <algorithm>
#include <cmath>

const std::array<PipeRank, 6> demoRanks = {{
    {"Montre 8", 1, PipeFamily::principal, 7200},
    {"Bourdon 8", 1, PipeFamily::stoppedFlute, 6800},
    {"Prestant 4", 2, PipeFamily::principal, 6400},
    {"Doublette 2", 4, PipeFamily::principal, 5600},
    {"Cromorne 8", 1, PipeFamily::cromorneReed, 6400},
    {"Trompette 8", 1, PipeFamily::trumpetReed, 7600},
}};

namespace {

// The first harmonics of a principal: a full fundamental, a clear octave and
// twelfth, the rest falling away steadily.
constexpr double principalHarmonics[] = {1.0, 0.52, 0.34, 0.21, 0.16, 0.11, 0.085, 0.066, 0.05, 0.04, 0.032, 0.026};

// A stopped pipe: odd harmonics carry the tone, the even ones are faint.
constexpr double stoppedHarmonics[] = {1.0, 0.035, 0.20, 0.018, 0.06, 0.01, 0.025, 0.006, 0.01};

// Gentle loss of the top of the spectrum, as in a room.
double airAbsorption(double frequency, double corner) { return 1.0 / (1.0 + (frequency / corner) * (frequency / corner)); }

double formant(double frequency, double centre, double width)
{
    const double d = (frequency - centre) / width;
    return std::exp(-d * d);
}

template <std::size_t count>
double tableOrTail(const double (&table)[count], int n, double tailPower)
{
    if (n <= static_cast<int>(count)) return table[n - 1];
    return table[count - 1] * std::pow(static_cast<double>(count) / n, tailPower);
}

}  // namespace

double settledHarmonic(PipeFamily family, int n, double frequency)
{
    const double f = n * frequency;
    switch (family) {
    case PipeFamily::principal:
        return tableOrTail(principalHarmonics, n, 2.0) * airAbsorption(f, 7000);
    case PipeFamily::stoppedFlute:
        return n <= 9 ? stoppedHarmonics[n - 1] * airAbsorption(f, 5000) : 0.0;
    case PipeFamily::trumpetReed:
        return std::pow(n, -0.55) * (0.6 + 1.4 * formant(f, 1400, 900)) * airAbsorption(f, 6000);
    case PipeFamily::cromorneReed: {
        const double odd = (n % 2 == 1) ? 1.0 : 0.12;
        return odd * std::pow(n, -0.7) * (0.7 + 0.8 * formant(f, 1100, 700)) * airAbsorption(f, 4500);
    }
    }
    return 0.0;
}

double onsetHarmonic(PipeFamily family, int n, double frequency)
{
    const double settled = settledHarmonic(family, n, frequency);
    switch (family) {
    case PipeFamily::principal:
        // The octave speaks first, the fundamental follows.
        return settled * (n == 1 ? 0.55 : n == 2 ? 2.2 : 1.25);
    case PipeFamily::stoppedFlute:
        // The characteristic chiff: the pipe briefly overblows to its twelfth.
        return settled * (n == 1 ? 0.6 : n == 3 ? 3.5 : n == 2 ? 4.0 : 1.0);
    case PipeFamily::trumpetReed:
    case PipeFamily::cromorneReed:
        // The tongue starts with a bright rasp before the resonator settles.
        return settled * (n == 1 ? 0.5 : 1.0 + std::min(0.08 * n, 0.8));
    }
    return settled;
}

PipeSpeech speechOf(PipeFamily family, double frequency)
{
    // Long pipes speak slowly; small ones almost at once.
    const double flueOnset = 0.010 + 0.040 * std::sqrt(65.4 / frequency);
    const double chiffBand = std::min(5.0 * frequency, 7000.0);
    switch (family) {
    case PipeFamily::principal:
        return {flueOnset, 0.05, chiffBand, 0.0035};
    case PipeFamily::stoppedFlute:
        return {flueOnset * 1.1, 0.09, std::min(3.0 * frequency, 5000.0), 0.005};
    case PipeFamily::trumpetReed:
        return {flueOnset * 0.35, 0.025, 3000.0, 0.0015};
    case PipeFamily::cromorneReed:
        return {flueOnset * 0.4, 0.02, 2500.0, 0.0015};
    }
    return {flueOnset, 0.0, chiffBand, 0.0};
}
