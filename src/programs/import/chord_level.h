// The one gain of an import: eight notes of its loudest stop, summed and
// scaled as the mixer scales eight voices, stay below the 16-bit limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace organ_import {

constexpr int chordVoices = 8;

// The gain on full scale 1.0 that brings the peak to 95% of the level where
// eight such peaks, divided by the mixer's divisor for eight voices, reach
// 32,767. Needs polyphonyDivisor filled.
double chordSafeGain(float peak);

// Whether eight notes of this peak at this gain stay within 16 bits after
// the mixer's division.
bool chordFits(float peak, double gain);

// The frames at the gain as 16-bit samples; clipped counts the samples that
// had to be held at the 16-bit limits.
std::vector<std::int16_t> organSamples(const std::vector<float>& frames, double gain, std::size_t& clipped);

}  // namespace organ_import
