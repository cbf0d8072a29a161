// Making one part of a key from its recording (see part_render.h).
#include "programs/import/render/part_render.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace organ_import {

namespace {

constexpr long long resamplerMarginFrames = 64;  // input beyond the last output frame's need

double resampleRatio(int sampleRate, double cents)
{
    return (static_cast<double>(organRate) / sampleRate) / std::exp2(cents / 1200.0);
}

// The source's frames of the stretch, silence where it lies before them;
// shorter when the source ends first.
std::vector<float> framesOf(const Recording& source, SourceStretch stretch)
{
    const long long count = stretch.end - stretch.first;
    const auto silence = static_cast<std::size_t>(std::clamp<long long>(-stretch.first, 0, count));
    std::vector<float> frames;
    frames.reserve(2 * static_cast<std::size_t>(count));
    frames.resize(2 * silence, 0.0f);
    const auto from = static_cast<std::size_t>(std::max<long long>(stretch.first, 0));
    const std::size_t to = std::min(source.frameCount(), static_cast<std::size_t>(std::max<long long>(stretch.end, 0)));
    if (from < to) frames.insert(frames.end(), source.frames.data() + 2 * from, source.frames.data() + 2 * to);
    return frames;
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

std::optional<SourceStretch> partStretch(int sampleRate, std::size_t onset, double cents)
{
    const double ratio = resampleRatio(sampleRate, cents);
    if (!src_is_valid_ratio(ratio)) return std::nullopt;
    const double leadFrames = static_cast<double>(heardFirstFrame) + leadInSeconds * organRate;
    const long long first = static_cast<long long>(onset) - std::llround(leadFrames / ratio);
    const auto count = static_cast<long long>(std::ceil(keyFrames / ratio)) + resamplerMarginFrames;
    return SourceStretch{first, first + count};
}

std::optional<RenderedPart> renderPart(const Recording& source, std::size_t onset, double cents, std::string& error)
{
    const std::optional<SourceStretch> stretch = partStretch(source.sampleRate, onset, cents);
    if (!stretch) {
        error = "a shift of " + std::to_string(std::lround(cents)) + " cents is beyond the resampler's range";
        return std::nullopt;
    }
    std::vector<float> input = framesOf(source, *stretch);

    RenderedPart part;
    part.frames.assign(2 * keyFrames, 0.0f);
    SRC_DATA data{};
    data.data_in = input.data();
    data.data_out = part.frames.data();
    data.input_frames = static_cast<long>(input.size() / 2);
    data.output_frames = static_cast<long>(keyFrames);
    data.src_ratio = resampleRatio(source.sampleRate, cents);
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
