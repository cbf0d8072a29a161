// One part of a key of an imported stop: its recording resampled to the
// organ's rate and to the part's pitch in one pass, the pipe's speech placed
// where the organ starts to play, the end faded where the organ stops.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "programs/import/recordings/recording.h"
#include "programs/import/sources/organ_format.h"

namespace organ_import {

constexpr double leadInSeconds = 0.0015;  // of the recording heard before the speech
constexpr double fadeSeconds = 0.015;     // before the organ's cut

// The source frames [first, end) a part reads: first is negative where the
// part begins with silence before the recording does, and end may lie past
// the recording's last frame.
struct SourceStretch {
    long long first;
    long long end;
};

// What renderPart reads of a source at `sampleRate` Hz whose speech starts at
// `onset` for a part `cents` above its recorded pitch, the resampler's margin
// included; nothing when the shift is beyond the resampler's range.
std::optional<SourceStretch> partStretch(int sampleRate, std::size_t onset, double cents);

struct RenderedPart {
    std::vector<float> frames;  // keyFrames interleaved left/right
    bool padded = false;        // the source ended before the window did
};

// The source played `cents` above its recorded pitch (below when negative),
// made by resampling with (44100 / rate) / 2^(cents / 1200), or copied when
// that ratio is exactly 1 (a 44,100 Hz recording at 0 cents): the source's
// onset lands leadInSeconds after heardFirstFrame, the frames before it are
// the recording before the onset (silence where it has none), and the last
// fadeSeconds of the window fall to zero. A source that ends first is faded
// where it ends and followed by silence. Nothing, with error set, when the
// ratio is beyond the resampler's range or it fails.
std::optional<RenderedPart> renderPart(const Recording& source, std::size_t onset, double cents, std::string& error);

// Clears the environment variables through which libsoxr lets a user choose
// its engine and its transforms' sizes, so that every run on every machine
// makes the same samples. Called once at the start, before any thread.
void pinConverterEngine();

}  // namespace organ_import
