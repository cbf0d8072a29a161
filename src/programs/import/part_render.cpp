// Making one part of a key from its recording (see part_render.h).
#include "programs/import/part_render.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace organ_import {

namespace {

constexpr std::size_t resamplerMarginFrames = 64;  // input beyond the last output frame's need

// The source's frames from `start` (may be negative: silence first) for
// `count` frames or up to its end.
std::vector<float> sourceStretch(const Recording& source, long long start, std::size_t count)
{
    std::vector<float> stretch;
    stretch.reserve(2 * count);
    const std::size_t silence = start < 0 ? std::min(count, static_cast<std::size_t>(-start)) : 0;
    stretch.resize(2 * silence, 0.0f);
    const std::size_t from = start < 0 ? 0 : static_cast<std::size_t>(start);
    const std::size_t to = std::min(source.frameCount(), from + count - silence);
    if (from < to) stretch.insert(stretch.end(), source.frames.data() + 2 * from, source.frames.data() + 2 * to);
    return stretch;
}

// Falls from full level at `first` to zero at `end - 1` on a raised cosine.
void fadeOut(std::vector<float>& frames, std::size_t first, std::size_t end)
{
    const double length = static_cast<double>(end - first);
    for (std::size_t frame = first; frame < end; ++frame) {
        const auto gain = static_cast<float>(
            0.5 + 0.5 * std::cos(std::numbers::pi * static_cast<double>(frame - first + 1) / length));
        frames[2 * frame] *= gain;
        frames[2 * frame + 1] *= gain;
    }
}

}  // namespace

std::optional<RenderedPart> renderPart(const Recording& source, std::size_t onset, double cents, std::string& error)
{
    const double ratio = (static_cast<double>(organRate) / source.sampleRate) / std::exp2(cents / 1200.0);
    if (!src_is_valid_ratio(ratio)) {
        error = "a shift of " + std::to_string(std::lround(cents)) + " cents is beyond the resampler's range";
        return std::nullopt;
    }
    const double leadFrames = static_cast<double>(heardFirstFrame) + leadInSeconds * organRate;
    const long long start = static_cast<long long>(onset) - std::llround(leadFrames / ratio);
    const auto inputFrames = static_cast<std::size_t>(std::ceil(keyFrames / ratio)) + resamplerMarginFrames;
    std::vector<float> input = sourceStretch(source, start, inputFrames);

    RenderedPart part;
    part.frames.assign(2 * keyFrames, 0.0f);
    SRC_DATA data{};
    data.data_in = input.data();
    data.data_out = part.frames.data();
    data.input_frames = static_cast<long>(input.size() / 2);
    data.output_frames = static_cast<long>(keyFrames);
    data.src_ratio = ratio;
    data.end_of_input = 1;
    if (const int failure = src_simple(&data, SRC_SINC_BEST_QUALITY, 2); failure != 0) {
        error = std::string("resampling failed: ") + src_strerror(failure);
        return std::nullopt;
    }
    const auto made = static_cast<std::size_t>(data.output_frames_gen);
    const auto fadeFrames = static_cast<std::size_t>(std::lround(fadeSeconds * organRate));
    part.padded = made < keyFrames;
    fadeOut(part.frames, made - std::min(made, fadeFrames), made);
    return part;
}

}  // namespace organ_import
