// Reading a recording with libsndfile: WAV of every kind, FLAC, AIFF and the
// other formats it knows by their content.
#include <sndfile.h>

#include <memory>

#include "programs/import/recording.h"

namespace organ_import {

namespace {

constexpr sf_count_t blockFrames = 8192;

void closeFile(SNDFILE* file) { sf_close(file); }

}  // namespace

std::optional<Recording> readWithSndfile(const std::filesystem::path& path, bool& opened, std::string& error)
{
    SF_INFO info{};
    const std::unique_ptr<SNDFILE, void (*)(SNDFILE*)> file(sf_open(path.c_str(), SFM_READ, &info), closeFile);
    opened = file != nullptr;
    if (!opened) {
        error = sf_strerror(nullptr);
        return std::nullopt;
    }
    if (info.channels < 1 || info.samplerate < 1) {
        error = "it has no channels or no sample rate";
        return std::nullopt;
    }
    Recording recording;
    recording.sampleRate = info.samplerate;
    std::vector<float> block(static_cast<std::size_t>(blockFrames * info.channels));
    sf_count_t got = 0;
    while ((got = sf_readf_float(file.get(), block.data(), blockFrames)) > 0)
        appendStereo(recording, block.data(), static_cast<std::size_t>(got), info.channels);
    if (sf_error(file.get()) != SF_ERR_NO_ERROR) {
        error = std::string("decoding failed: ") + sf_strerror(file.get());
        return std::nullopt;
    }
    return recording;
}

}  // namespace organ_import
