// Reading a WavPack recording with libwavpack, whatever its file is called.
#include <wavpack/wavpack.h>

#include <bit>
#include <cstdint>
#include <memory>

#include "programs/import/recording.h"

namespace organ_import {

namespace {

constexpr std::uint32_t blockFrames = 8192;

void closeContext(WavpackContext* context) { WavpackCloseFile(context); }

// Integers come right-justified in the bytes each sample had in the file;
// floats come as their bits, already scaled to full scale 1.0.
float toFloat(std::int32_t value, bool isFloat, float integerScale)
{
    return isFloat ? std::bit_cast<float>(value) : static_cast<float>(value) * integerScale;
}

}  // namespace

std::optional<Recording> readWithWavpack(const std::filesystem::path& path, bool& opened, std::string& error)
{
    char message[80] = {};
    const std::unique_ptr<WavpackContext, void (*)(WavpackContext*)> context(
        WavpackOpenFileInput(path.c_str(), message, OPEN_WVC | OPEN_NORMALIZE | OPEN_DSD_AS_PCM, 0), closeContext);
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

}  // namespace organ_import
