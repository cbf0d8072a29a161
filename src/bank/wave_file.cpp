// Writing a RIFF/WAVE file in the organ's format, and reading where the
// format and the sound of any lie (see wave_file.h).
#include "bank/wave_file.h"

#include <cstdio>
#include <cstring>
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

std::uint32_t read16(const std::uint8_t* bytes) { return bytes[0] | (bytes[1] << 8); }

std::uint32_t read32(const std::uint8_t* bytes)
{
    return read16(bytes) | (static_cast<std::uint32_t>(read16(bytes + 2)) << 16);
}

bool hasTag(const std::uint8_t* bytes, const char (&tag)[5]) { return std::memcmp(bytes, tag, 4) == 0; }

// The GUID of a WAVE_FORMAT_EXTENSIBLE subformat after its first two bytes,
// which hold the plain encoding tag (KSDATAFORMAT_SUBTYPE_PCM and its kin).
constexpr std::uint8_t subformatGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// The format of a "fmt " chunk body of the given size, or nothing when it is
// shorter than its encoding needs.
std::optional<WaveFormat> formatOfChunk(const std::uint8_t* body, std::uint32_t size)
{
    if (size < 16) return std::nullopt;
    WaveFormat format{static_cast<std::uint16_t>(read16(body)), static_cast<std::uint16_t>(read16(body + 2)),
                      read32(body + 4), static_cast<std::uint16_t>(read16(body + 14))};
    if (format.encoding != waveEncodingExtensible) return format;
    if (size < 40 || read16(body + 16) < 22) return std::nullopt;
    const std::uint8_t* subformat = body + 24;
    if (std::memcmp(subformat + 2, subformatGuidTail, sizeof subformatGuidTail) == 0)
        format.encoding = static_cast<std::uint16_t>(read16(subformat));
    return format;
}

// Where the first chunk with the tag begins (its 8-byte header lies within
// the image), walking the chunks of a "RIFF....WAVE" image; nothing when
// the image is no RIFF/WAVE file or no such chunk begins within it.
std::optional<std::uint64_t> findChunk(const std::uint8_t* image, std::size_t bytes, const char (&tag)[5])
{
    if (bytes < 12 || !hasTag(image, "RIFF") || !hasTag(image + 8, "WAVE")) return std::nullopt;
    std::uint64_t position = 12;
    while (position + 8 <= bytes) {
        const std::uint8_t* chunk = image + position;
        if (hasTag(chunk, tag)) return position;
        const std::uint32_t size = read32(chunk + 4);
        position += 8 + static_cast<std::uint64_t>(size) + (size & 1);  // chunks are padded to even sizes
    }
    return std::nullopt;
}

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

std::optional<WaveFormat> readWaveFormat(const std::uint8_t* image, std::size_t bytes)
{
    const std::optional<std::uint64_t> position = findChunk(image, bytes, "fmt ");
    if (!position) return std::nullopt;
    const std::uint32_t size = read32(image + *position + 4);
    if (*position + 8 + size > bytes) return std::nullopt;
    return formatOfChunk(image + *position + 8, size);
}

std::optional<std::uint64_t> waveSoundOffset(const std::uint8_t* image, std::size_t bytes)
{
    const std::optional<std::uint64_t> position = findChunk(image, bytes, "data");
    if (!position) return std::nullopt;
    return *position + 8;
}

bool isOrganFormat(const WaveFormat& format)
{
    return format.encoding == waveEncodingPcm && format.channels == channels && format.sampleRate == sampleRate &&
           format.bitsPerSample == 8 * bytesPerSample;
}

std::string describeWaveFormat(const WaveFormat& format)
{
    char text[96];
    const char* kind = format.encoding == waveEncodingFloat ? " float" : "";
    const int length =
        std::snprintf(text, sizeof text, "%u Hz, %u-bit%s, %u channel%s", format.sampleRate,
                      unsigned{format.bitsPerSample}, kind, unsigned{format.channels}, format.channels == 1 ? "" : "s");
    if (format.encoding != waveEncodingPcm && format.encoding != waveEncodingFloat)
        std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length), ", encoding 0x%04X",
                      unsigned{format.encoding});
    return text;
}
