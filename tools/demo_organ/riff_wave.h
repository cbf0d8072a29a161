// Writing a RIFF/WAVE file: 44,100 Hz, 16-bit, two channels, one 44-byte
// canonical header before the frames.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

// Interleaved left/right frames; false when the file cannot be written.
bool writeWave(const std::filesystem::path& path, const std::vector<std::int16_t>& frames);
