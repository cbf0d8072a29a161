// Writing a canonical 44-byte-header WAV file (see wav_file.h).
#include "platform/headless/wav_file.h"

#include <cstdio>

namespace platform::headless {

namespace {

void put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void putTag(std::vector<std::uint8_t>& out, const char (&tag)[5])
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[i]));
}

}  // namespace

bool writeWavFile(const char* path, const std::vector<std::int16_t>& interleavedStereo)
{
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(interleavedStereo.size() * 2);
    std::vector<std::uint8_t> out;
    putTag(out, "RIFF");
    put(out, 36 + dataBytes, 4);
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    put(out, 16, 4);
    put(out, 1, 2);
    put(out, 2, 2);
    put(out, 44100, 4);
    put(out, 44100 * 4, 4);
    put(out, 4, 2);
    put(out, 16, 2);
    putTag(out, "data");
    put(out, dataBytes, 4);
    for (std::int16_t sample : interleavedStereo) put(out, static_cast<std::uint16_t>(sample), 2);

    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace platform::headless
