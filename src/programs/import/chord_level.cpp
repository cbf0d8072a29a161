// The level of an import (see chord_level.h).
#include "programs/import/chord_level.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "sound/voice_mixer.h"

namespace organ_import {

namespace {

constexpr double fullScale = std::numeric_limits<std::int16_t>::max();
constexpr double headroom = 0.95;

// The largest 16-bit peak whose eight-voice chord the mixer keeps in range.
double chordPeakLimit() { return fullScale * polyphonyDivisor[chordVoices] / chordVoices; }

}  // namespace

double chordSafeGain(float peak) { return headroom * chordPeakLimit() / (fullScale * peak); }

bool chordFits(float peak, double gain) { return peak * gain * fullScale <= chordPeakLimit(); }

std::vector<std::int16_t> organSamples(const std::vector<float>& frames, double gain, std::size_t& clipped)
{
    std::vector<std::int16_t> samples(frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const double value = std::round(frames[i] * gain * fullScale);
        const double held = std::clamp(value, -fullScale - 1, fullScale);
        clipped += held != value;
        samples[i] = static_cast<std::int16_t>(held);
    }
    return samples;
}

}  // namespace organ_import
