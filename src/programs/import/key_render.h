// One key of an imported stop: its source recording resampled to the
// organ's rate and pitch in one pass, the pipe's speech placed where the
// organ starts to play, the end faded where the organ stops.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "bank/wave_file.h"
#include "programs/import/recording.h"
#include "sound/voice_mixer.h"

namespace organ_import {

constexpr int organRate = 44100;
constexpr std::size_t frameBytes = 4;
// Frames of a sample file: the organ plays bytes 160 up to 100,000, so after
// the 44-byte header that is data frames 29 to 24,988.
constexpr std::size_t heardFirstFrame = (playWindowStart * sizeof(std::int16_t) - waveHeaderBytes) / frameBytes;
constexpr std::size_t keyFrames = (playWindowEnd * sizeof(std::int16_t) - waveHeaderBytes) / frameBytes;
static_assert(heardFirstFrame == 29 && keyFrames == 24989);

constexpr double leadInSeconds = 0.0015;  // of the recording heard before the speech
constexpr double fadeSeconds = 0.015;     // before the organ's cut

struct RenderedKey {
    std::vector<float> frames;  // keyFrames interleaved left/right
    bool padded = false;        // the source ended before the window did
};

// The key `semitones` above the source's note (below when negative), made
// from it by resampling with (44100 / rate) / 2^(semitones / 12): the source's
// onset lands leadInSeconds after heardFirstFrame, the frames before it are
// the recording before the onset (silence where it has none), and the last
// fadeSeconds of the window fall to zero. A source that ends first is faded
// where it ends and followed by silence. Nothing, with error set, when the
// ratio is beyond the resampler's range or it fails.
std::optional<RenderedKey> renderKey(const Recording& source, std::size_t onset, int semitones, std::string& error);

}  // namespace organ_import
