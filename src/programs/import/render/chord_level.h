// The level of an import: every chord of one to eight notes of its loudest
// stop, summed and divided as the mixer divides, stays below the 16-bit
// limit.
#pragma once

namespace organ_import {

constexpr int chordVoices = 8;

// The most a chord of one to eight notes whose peaks all reach 1.0 at once
// comes to after the mixer's division: n / polyphonyDivisor[n] at its
// largest, seven notes over 2. Needs polyphonyDivisor filled.
double worstChordFactor();

// The gain on full scale 1.0 that brings the peak to 95% of the level where
// the worst chord of such peaks reaches 32,767; 1.0 for a peak of zero (or
// one that is not a finite number), which no gain brings there.
double chordSafeGain(float peak);

// Whether every chord of one to eight notes of this peak at this gain stays
// within 16 bits after the mixer's division.
bool chordFits(float peak, double gain);

}  // namespace organ_import
