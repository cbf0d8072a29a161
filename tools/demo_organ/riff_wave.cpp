// RIFF/WAVE writer (see riff_wave.h).
#include "riff_wave.h"

#include "byte_writer.h"

bool writeWave(const std::filesystem::path& path, const std::vector<std::int16_t>& frames)
{
    constexpr std::uint32_t rate = 44100, channels = 2, bytesPerSample = 2;
    const auto dataBytes = static_cast<std::uint32_t>(frames.size() * bytesPerSample);
    ByteWriter out;
    out.tag("RIFF").u32(36 + dataBytes).tag("WAVE");
    out.tag("fmt ").u32(16).u16(1).u16(channels).u32(rate).u32(rate * channels * bytesPerSample);
    out.u16(channels * bytesPerSample).u16(8 * bytesPerSample);
    out.tag("data").u32(dataBytes);
    for (std::int16_t sample : frames) out.u16(static_cast<std::uint16_t>(sample));
    return out.save(path);
}
