// Reading one sample file whole: one read into a sample buffer of twice the
// file's size, the size taken from the file once it is open.
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "bank/organ_bank.h"
#include "bank/wave_file.h"
#include "platform/files.h"
#include "platform/process.h"

namespace {

constexpr long largestSample = std::numeric_limits<std::int32_t>::max() / 2;

// The first two bytes "RI" of a RIFF header, read as one little-endian entry.
constexpr std::uint16_t riffStart = 0x4952;

bool beginsLikeRiff(const std::int16_t* image)
{
    unsigned char first[2];
    std::memcpy(first, image, 2);
    return (first[0] | first[1] << 8) == riffStart;
}

// Bytes in the open file, which is left at its start; -1 when it cannot be
// told or read (on POSIX a directory opens, but reading it fails).
long openFileSize(std::FILE* file)
{
    if (std::fgetc(file) == EOF && std::ferror(file) != 0) return -1;
    if (std::fseek(file, 0, SEEK_END) != 0) return -1;
    const long bytes = std::ftell(file);
    if (std::fseek(file, 0, SEEK_SET) != 0) return -1;
    return bytes;
}

// The open file whole in a sample buffer, or null (saying why when the file
// is too large for memory).
SampleBuffer readWholeFile(std::FILE* file, long& bytes)
{
    bytes = openFileSize(file);
    if (bytes <= 0) return nullptr;
    if (bytes > largestSample) {
        std::fprintf(stderr, "Sample file too large to hold in memory (%ld bytes)\n", bytes);
        return nullptr;
    }
    SampleBuffer image = newSampleBuffer(static_cast<std::size_t>(bytes));
    if (image == nullptr) {
        std::fprintf(stderr, "Not enough memory for the sample file (%ld bytes)\n", bytes);
        return nullptr;
    }
    // A short read leaves zeros where the rest of the file would be.
    std::fread(image.get(), 1, static_cast<std::size_t>(bytes), file);
    return image;
}

// Ends the process, after a line naming the file, when its chunks describe
// another format than the organ's or its sound begins where the mixer would
// not play it from its first frame.
void refuseUnplayable(const std::uint8_t* image, long bytes, const char* path)
{
    const auto format = readWaveFormat(image, static_cast<std::size_t>(bytes));
    if (!format || !isOrganFormat(*format)) {
        const std::string what = format ? describeWaveFormat(*format) : "without a RIFF/WAVE format chunk";
        std::fprintf(stderr, "Sample file %s, not 44100 Hz, 16-bit, 2 channels: %s\n", what.c_str(), path);
        platform::exitNormally(platform::exitSampleRefused);
    }
    const auto sound = waveSoundOffset(image, static_cast<std::size_t>(bytes));
    if (!sound || *sound > firstHeardByte || (firstHeardByte - *sound) % sampleFrameBytes != 0) {
        const std::string where =
            sound ? "sound begins at byte " + std::to_string(*sound) : std::string("without a data chunk");
        std::fprintf(stderr,
                     "Sample file %s, not on a frame at or before byte %llu (save it as a plain WAV, or bring it in "
                     "with velmara-import): %s\n",
                     where.c_str(), static_cast<unsigned long long>(firstHeardByte), path);
        platform::exitNormally(platform::exitSampleRefused);
    }
}

}  // namespace

SampleBuffer loadWaveImage(const char* path, std::int32_t& size)
{
    std::FILE* file = std::fopen(platform::hostPath(path).c_str(), "rb");
    if (file == nullptr) return nullptr;
    std::setvbuf(file, nullptr, _IONBF, 0);
    long bytes = 0;
    SampleBuffer image = readWholeFile(file, bytes);
    std::fclose(file);
    if (image == nullptr) return nullptr;
    if (!beginsLikeRiff(image.get())) platform::exitNormally(platform::exitSampleRefused);
    refuseUnplayable(reinterpret_cast<const std::uint8_t*>(image.get()), bytes, path);
    if (bytes < minSampleBytes) {
        std::fprintf(stderr, "Sample file shorter than %d bytes: %s\n", minSampleBytes, path);
        platform::exitNormally(platform::exitSampleRefused);
    }
    size = static_cast<std::int32_t>(bytes);
    return image;
}
