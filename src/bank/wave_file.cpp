// Writing a RIFF/WAVE file in the organ's format (see wave_file.h).
#include "bank/wave_file.h"

#include <fstream>

namespace {

constexpr std::uint32_t sampleRate = 44100;
constexpr std::uint32_t channels = 2;
constexpr std::uint32_t bytesPerSample = 2;

void put(std::vector<char>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

void putTag(std::vector<char>& out, const char (&tag)[5]) { out.insert(out.end(), tag, tag + 4); }

}  // namespace

bool writeWaveFile(const std::filesystem::path& path, const std::vector<std::int16_t>& interleavedStereo)
{
    const auto dataBytes = static_cast<std::uint32_t>(interleavedStereo.size() * bytesPerSample);
    std::vector<char> out;
    out.reserve(44 + dataBytes);
    putTag(out, "RIFF");
    put(out, 36 + dataBytes, 4);
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    put(out, 16, 4);
    put(out, 1, 2);  // PCM
    put(out, channels, 2);
    put(out, sampleRate, 4);
    put(out, sampleRate * channels * bytesPerSample, 4);
    put(out, channels * bytesPerSample, 2);
    put(out, 8 * bytesPerSample, 2);
    putTag(out, "data");
    put(out, dataBytes, 4);
    for (std::int16_t sample : interleavedStereo) put(out, static_cast<std::uint16_t>(sample), 2);

    std::ofstream file(path, std::ios::binary);
    file.write(out.data(), static_cast<std::streamsize>(out.size()));
    file.close();
    return static_cast<bool>(file);
}
