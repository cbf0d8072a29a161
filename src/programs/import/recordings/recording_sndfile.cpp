// Reading a recording with libsndfile: WAV of every kind, FLAC, AIFF and the
// other formats it knows by their content, from a file or from memory.
#include <sndfile.h>

#include <memory>

#include "programs/import/recordings/memory_stream.h"
#include "programs/import/recordings/recording.h"
#include "programs/import/recordings/sound_file_open.h"

namespace organ_import {

namespace {

constexpr sf_count_t blockFrames = 8192;

void closeFile(SNDFILE* file) { sf_close(file); }

using SoundFile = std::unique_ptr<SNDFILE, void (*)(SNDFILE*)>;

std::optional<Recording> decode(const SoundFile& file, const SF_INFO& info, bool& opened, std::string& error)
{
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

MemoryStream& streamOf(void* user) { return *static_cast<MemoryStream*>(user); }

SF_VIRTUAL_IO memoryIo{
    [](void* user) -> sf_count_t { return streamOf(user).size(); },
    [](sf_count_t offset, int whence, void* user) -> sf_count_t {
        return streamOf(user).seek(offset, whence) ? streamOf(user).position : -1;
    },
    [](void* destination, sf_count_t count, void* user) -> sf_count_t {
        return streamOf(user).read(destination, count);
    },
    [](const void*, sf_count_t, void*) -> sf_count_t { return 0; },
    [](void* user) -> sf_count_t { return streamOf(user).position; },
};

}  // namespace

std::optional<Recording> readWithSndfile(const std::filesystem::path& path, bool& opened, std::string& error)
{
    SF_INFO info{};
    const SoundFile file(openSoundFile(path, info), closeFile);
    return decode(file, info, opened, error);
}

std::optional<Recording> readBytesWithSndfile(const std::vector<char>& bytes, bool& opened, std::string& error)
{
    SF_INFO info{};
    MemoryStream stream{&bytes};
    const SoundFile file(sf_open_virtual(&memoryIo, SFM_READ, &info, &stream), closeFile);
    return decode(file, info, opened, error);
}

}  // namespace organ_import
