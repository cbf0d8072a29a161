// Writing interleaved 16-bit stereo frames as a 44,100 Hz RIFF/WAVE file.
#pragma once

#include <cstdint>
#include <vector>

namespace platform::headless {

bool writeWavFile(const char* path, const std::vector<std::int16_t>& interleavedStereo);

}  // namespace platform::headless
