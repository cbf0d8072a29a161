// Sound the Windows tests listen to: what ALSA's file plugin captured (raw
// interleaved 16-bit stereo at 44,100 Hz, the format the organ opens) and
// the sample data of WAV files, with the measures the tests compare.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace wine {

constexpr double sampleRate = 44100.0;

using Samples = std::vector<std::int16_t>;  // interleaved left, right

Samples readCapture(const std::filesystem::path& path);

// The data chunk of a RIFF/WAVE file; empty when there is none.
Samples readWaveData(const std::filesystem::path& path);

inline std::size_t frameCount(const Samples& samples) { return samples.size() / 2; }

// From the first frame with a non-zero sample to just past the last one.
struct Span {
    std::size_t first = 0;
    std::size_t end = 0;
    std::size_t frames() const { return end - first; }
};
Span soundingSpan(const Samples& samples);

// The pitch, in Hz, of the frames: the shortest strong period of their
// autocorrelation (30 Hz to 2 kHz), refined between lags.
double fundamental(const Samples& samples, std::size_t firstFrame, std::size_t frames);

// The Hann-windowed amplitude of one frequency in the frames.
double toneLevel(const Samples& samples, std::size_t firstFrame, std::size_t frames, double frequency);

}  // namespace wine
