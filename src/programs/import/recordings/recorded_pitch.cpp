// Reading a recording's smpl chunk (see recorded_pitch.h).
#include "programs/import/recordings/recorded_pitch.h"

#include <sndfile.h>
#include <wavpack/wavpack.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace organ_import {

namespace {

constexpr std::size_t smplUnityNote = 12, smplPitchFraction = 16, smplFixedBytes = 36;
constexpr std::uint32_t highestMidiNote = 127, halfASemitone = 0x80000000u;

std::uint32_t read32(const std::uint8_t* bytes)
{
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

std::optional<int> noteOfSmpl(const std::uint8_t* body, std::size_t size)
{
    if (size < smplFixedBytes) return std::nullopt;
    const std::uint32_t note = read32(body + smplUnityNote);
    if (note > highestMidiNote) return std::nullopt;
    return static_cast<int>(note) + (read32(body + smplPitchFraction) >= halfASemitone ? 1 : 0);
}

void closeFile(SNDFILE* file) { sf_close(file); }

std::optional<int> noteThroughSndfile(const std::filesystem::path& path, bool& opened)
{
    SF_INFO info{};
    const std::unique_ptr<SNDFILE, void (*)(SNDFILE*)> file(sf_open(path.c_str(), SFM_READ, &info), closeFile);
    opened = file != nullptr;
    SF_CHUNK_INFO chunk{};
    std::strcpy(chunk.id, "smpl");
    chunk.id_size = 4;
    SF_CHUNK_ITERATOR* found = opened ? sf_get_chunk_iterator(file.get(), &chunk) : nullptr;
    if (found == nullptr || sf_get_chunk_size(found, &chunk) != SF_ERR_NO_ERROR) return std::nullopt;
    std::vector<std::uint8_t> body(chunk.datalen);
    chunk.data = body.data();
    if (sf_get_chunk_data(found, &chunk) != SF_ERR_NO_ERROR) return std::nullopt;
    return noteOfSmpl(body.data(), body.size());
}

// The smpl chunk among the chunks of a RIFF wrapper: the header up to the
// "data" chunk's own header, then the chunks after the audio.
std::optional<int> noteInWrapper(const std::uint8_t* bytes, std::size_t size)
{
    std::size_t at = size >= 12 && std::memcmp(bytes, "RIFF", 4) == 0 ? 12 : 0;
    while (at + 8 <= size) {
        const std::uint32_t chunkBytes = read32(bytes + at + 4);
        if (std::memcmp(bytes + at, "smpl", 4) == 0)
            return noteOfSmpl(bytes + at + 8, std::min<std::size_t>(chunkBytes, size - at - 8));
        at += std::memcmp(bytes + at, "data", 4) == 0 ? 8 : 8 + static_cast<std::size_t>(chunkBytes) + (chunkBytes & 1);
    }
    return std::nullopt;
}

void closeContext(WavpackContext* context) { WavpackCloseFile(context); }

std::optional<int> noteThroughWavpack(const std::filesystem::path& path)
{
    char message[80] = {};
    const std::unique_ptr<WavpackContext, void (*)(WavpackContext*)> context(
        WavpackOpenFileInput(path.c_str(), message, OPEN_WRAPPER, 0), closeContext);
    if (!context) return std::nullopt;
    WavpackSeekTrailingWrapper(context.get());
    return noteInWrapper(WavpackGetWrapperData(context.get()), WavpackGetWrapperBytes(context.get()));
}

}  // namespace

std::optional<int> recordedNote(const std::filesystem::path& path)
{
    bool opened = false;
    const std::optional<int> note = noteThroughSndfile(path, opened);
    return opened ? note : noteThroughWavpack(path);
}

}  // namespace organ_import
