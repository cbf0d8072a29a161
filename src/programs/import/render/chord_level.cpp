// The level of an import (see chord_level.h).
#include "programs/import/render/chord_level.h"

#include <algorithm>
#include <cmath>

#include "sound/voice_mixer.h"

namespace organ_import {

namespace {

constexpr double headroom = 0.95;

}  // namespace

double worstChordFactor()
{
    double worst = 0.0;
    for (int notes = 1; notes <= chordVoices; ++notes)
        worst = std::max(worst, static_cast<double>(notes) / polyphonyDivisor[notes]);
    return worst;
}

double chordSafeGain(float peak)
{
    if (!(peak > 0.0f && std::isfinite(peak))) return 1.0;  // silence needs no level, and takes no infinite one
    return headroom / (worstChordFactor() * peak);
}

bool chordFits(float peak, double gain) { return peak * gain * worstChordFactor() <= 1.0; }

}  // namespace organ_import
