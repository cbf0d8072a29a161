// Reading a WavPack recording with libwavpack, whatever its file is called,
// from a file or from memory.
#include <wavpack/wavpack.h>

#include <bit>
#include <cstdint>
#include <memory>

#include "programs/import/recordings/memory_stream.h"
#include "programs/import/recordings/recording.h"
#include "programs/import/recordings/sound_file_open.h"

namespace organ_import {

namespace {

constexpr std::uint32_t blockFrames = 8192;
constexpr int openFlags = OPEN_WVC | OPEN_NORMALIZE | OPEN_DSD_AS_PCM;

void closeContext(WavpackContext* context) { WavpackCloseFile(context); }

using Context = std::unique_ptr<WavpackContext, void (*)(WavpackContext*)>;

// Integers come right-justified in the bytes each sample had in the file;
// floats come as their bits, already scaled to full scale 1.0.
float toFloat(std::int32_t value, bool isFloat, float integerScale)
{
    return isFloat ? std::bit_cast<float>(value) : static_cast<float>(value) * integerScale;
}

std::optional<Recording> decode(const Context& context, const char* message, bool& opened, std::string& error)
{
    opened = context != nullptr;
    if (!opened) {
        error = message;
        return std::nullopt;
    }
    const int channels = WavpackGetNumChannels(context.get());
    const bool isFloat = (WavpackGetMode(context.get()) & MODE_FLOAT) != 0;
    const float integerScale = 1.0f / static_cast<float>(1u << (8 * WavpackGetBytesPerSample(context.get()) - 1));
    Recording recording;
    recording.sampleRate = static_cast<int>(WavpackGetSampleRate(context.get()));
    std::vector<std::int32_t> block(blockFrames * static_cast<std::size_t>(channels));
    std::vector<float> converted(block.size());
    std::uint32_t got = 0;
    while ((got = WavpackUnpackSamples(context.get(), block.data(), blockFrames)) > 0) {
        for (std::size_t i = 0; i < got * static_cast<std::size_t>(channels); ++i)
            converted[i] = toFloat(block[i], isFloat, integerScale);
        appendStereo(recording, converted.data(), got, channels);
    }
    const std::int64_t expected = WavpackGetNumSamples64(context.get());
    if (WavpackGetNumErrors(context.get()) > 0 ||
        (expected >= 0 && recording.frameCount() < static_cast<std::uint64_t>(expected))) {
        error = "the WavPack data is damaged or cut short";
        return std::nullopt;
    }
    return recording;
}

MemoryStream& streamOf(void* id) { return *static_cast<MemoryStream*>(id); }

WavpackStreamReader64 memoryReader{
    [](void* id, void* data, std::int32_t count) { return static_cast<std::int32_t>(streamOf(id).read(data, count)); },
    [](void*, void*, std::int32_t) { return std::int32_t{0}; },
    [](void* id) { return streamOf(id).position; },
    [](void* id, std::int64_t position) { return streamOf(id).seek(position, SEEK_SET) ? 0 : -1; },
    [](void* id, std::int64_t delta, int mode) { return streamOf(id).seek(delta, mode) ? 0 : -1; },
    [](void* id, int byte) { return streamOf(id).seek(-1, SEEK_CUR) ? byte : EOF; },
    [](void* id) { return streamOf(id).size(); },
    [](void*) { return 1; },
    [](void*) { return -1; },
    [](void*) { return 0; },
};

}  // namespace

std::optional<Recording> readWithWavpack(const std::filesystem::path& path, bool& opened, std::string& error)
{
    char message[80] = {};
    const Context context(openWavpackFile(path, message, openFlags), closeContext);
    return decode(context, message, opened, error);
}

std::optional<Recording> readBytesWithWavpack(const std::vector<char>& bytes, const std::vector<char>* correction,
                                              bool& opened, std::string& error)
{
    char message[80] = {};
    MemoryStream stream{&bytes}, correctionStream{correction};
    const Context context(WavpackOpenFileInputEx64(&memoryReader, &stream, correction ? &correctionStream : nullptr,
                                                   message, openFlags, 0),
                          closeContext);
    return decode(context, message, opened, error);
}

}  // namespace organ_import
