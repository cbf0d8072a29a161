// Reading one sample file whole: one read into one allocation of twice the
// file's size, the second half zeros.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>
#include <string>
#include <system_error>

#include "bank/organ_bank.h"
#include "bank/wave_file.h"
#include "platform/files.h"
#include "platform/process.h"

namespace {

constexpr std::uintmax_t largestSample = std::numeric_limits<std::int32_t>::max() / 2;

// The first two bytes "RI" of a RIFF header, read as one little-endian entry.
constexpr std::uint16_t riffStart = 0x4952;

bool beginsLikeRiff(const std::int16_t* image)
{
    unsigned char first[2];
    std::memcpy(first, image, 2);
    return (first[0] | first[1] << 8) == riffStart;
}

// A zeroed buffer of 2 x bytes holding the stream's first bytes, or null.
std::unique_ptr<std::int16_t[]> readImage(std::FILE* file, std::size_t bytes)
{
    std::unique_ptr<std::int16_t[]> image(new (std::nothrow) std::int16_t[bytes]);
    if (image == nullptr) return nullptr;
    char* start = reinterpret_cast<char*>(image.get());
    const std::size_t delivered = std::fread(start, 1, bytes, file);
    std::memset(start + delivered, 0, 2 * bytes - delivered);
    return image;
}

}  // namespace

std::unique_ptr<std::int16_t[]> loadWaveImage(const char* path, std::int32_t& size)
{
    const std::string hostPath = platform::hostPath(path);
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(hostPath, error);
    if (error || bytes == 0) return nullptr;
    if (bytes > largestSample) {
        std::fprintf(stderr, "Sample file too large to hold in memory (%ju bytes)\n", bytes);
        return nullptr;
    }
    std::FILE* file = std::fopen(hostPath.c_str(), "rb");
    if (file == nullptr) return nullptr;
    std::setvbuf(file, nullptr, _IONBF, 0);
    std::unique_ptr<std::int16_t[]> image = readImage(file, static_cast<std::size_t>(bytes));
    std::fclose(file);
    if (image == nullptr) {
        std::fprintf(stderr, "Not enough memory for the sample file (%ju bytes)\n", bytes);
        return nullptr;
    }
    if (!beginsLikeRiff(image.get())) platform::exitNormally(platform::exitSampleRefused);
    const auto format = readWaveFormat(reinterpret_cast<const std::uint8_t*>(image.get()), bytes);
    if (!format || !isOrganFormat(*format)) {
        const std::string what = format ? describeWaveFormat(*format) : "without a RIFF/WAVE format chunk";
        std::fprintf(stderr, "Sample file %s, not 44100 Hz, 16-bit, 2 channels: %s\n", what.c_str(), path);
        platform::exitNormally(platform::exitSampleRefused);
    }
    if (bytes < static_cast<std::uintmax_t>(minSampleBytes)) {
        std::fprintf(stderr, "Sample file shorter than %d bytes: %s\n", minSampleBytes, path);
        platform::exitNormally(platform::exitSampleRefused);
    }
    size = static_cast<std::int32_t>(bytes);
    return image;
}
