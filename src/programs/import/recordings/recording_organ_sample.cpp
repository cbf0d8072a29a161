// Reading one of the organ's own sample files as the organ plays it.
#include <algorithm>
#include <fstream>

#include "programs/import/recordings/recording.h"
#include "programs/import/sources/organ_format.h"

namespace organ_import {

std::optional<Recording> readOrganSample(const std::filesystem::path& path, std::string& error)
{
    constexpr std::size_t heardBytes = waveHeaderBytes + keyFrames * frameBytes;
    std::error_code failure;
    const std::uintmax_t size = std::filesystem::file_size(path, failure);
    std::vector<std::uint8_t> image(failure ? 0 : std::min<std::uintmax_t>(size, heardBytes));
    std::ifstream file(path, std::ios::binary);
    if (failure || !file.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(image.size()))) {
        error = "the sample file cannot be read";
        return std::nullopt;
    }
    const std::optional<WaveFormat> format = readWaveFormat(image.data(), image.size());
    if (!format || !isOrganFormat(*format)) {
        error = "not a sample file the organ plays (" + (format ? describeWaveFormat(*format) : "no RIFF/WAVE") + ")";
        return std::nullopt;
    }
    if (image.size() < heardBytes) {
        error = "the sample file is shorter than the organ plays";
        return std::nullopt;
    }
    Recording recording;
    recording.sampleRate = organRate;
    recording.frames.resize(2 * keyFrames);
    const std::uint8_t* value = image.data() + waveHeaderBytes;
    std::generate(recording.frames.begin(), recording.frames.end(), [&value] {
        const auto sample = static_cast<std::int16_t>(value[0] | (value[1] << 8));
        value += 2;
        return static_cast<float>(sample / organFullScale);
    });
    return recording;
}

}  // namespace organ_import
