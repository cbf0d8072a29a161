// The recordings the importer's benchmarks feed it: a pipe-like tone
// (fundamental, octave, twelfth) after a lead of silence, as 24-bit stereo
// WAV (48 kHz unless told) with the right channel a little softer than the
// left.
#pragma once

#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <vector>

constexpr int pipeRecordingRate = 48000;

inline void writePipeRecording(const std::filesystem::path& file, int midiNote, double seconds, double lead,
                               int rate = pipeRecordingRate)
{
    const double frequency = 440.0 * std::exp2((midiNote - 69) / 12.0);
    const auto frameCount = static_cast<int>(seconds * rate);
    std::vector<float> frames;
    for (int frame = 0; frame < frameCount; ++frame) {
        const double t = frame / static_cast<double>(rate) - lead, w = 2 * std::numbers::pi * frequency * t;
        const auto value =
            static_cast<float>(t < 0 ? 0.0 : 0.4 * std::sin(w) + 0.2 * std::sin(2 * w) + 0.1 * std::sin(3 * w));
        frames.insert(frames.end(), {value, value * 0.9f});
    }
    SF_INFO info{0, rate, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 0, 0};
    SNDFILE* sound = sf_open(file.c_str(), SFM_WRITE, &info);
    sf_writef_float(sound, frames.data(), frameCount);
    sf_close(sound);
}
