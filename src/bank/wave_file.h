// RIFF/WAVE files in the organ's one sound format, 44,100 Hz, 16-bit, two
// channels: the sample files the bank loads, and any recording of what the
// organ played.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

// Writes interleaved left/right frames after the canonical 44-byte header
// (RIFF, a 16-byte "fmt " chunk, "data"); false when the file cannot be
// written whole.
bool writeWaveFile(const std::filesystem::path& path, const std::vector<std::int16_t>& interleavedStereo);
