// Making one part of a key from its recording (see part_render.h).
#include "programs/import/render/part_render.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "programs/import/render/exact_math.h"

namespace organ_import {

namespace {

constexpr long long resamplerMarginFrames = 64;  // input beyond the last output frame's need
constexpr double largestRatio = 256.0;           // either way: a shift of eight octaves

double resampleRatio(int sampleRate, double cents)
{
    return (static_cast<double>(organRate) / sampleRate) / exactPowerOfTwo(cents / 1200.0);
}

bool isConvertible(double ratio) { return ratio >= 1.0 / largestRatio && ratio <= largestRatio; }

void deleteConverter(soxr* converter) { soxr_delete(converter); }

using Converter = std::unique_ptr<soxr, void (*)(soxr*)>;

// The frames libsoxr makes of the input at the ratio, up to the output's
// size, the input's end flushed through: its high quality single precision
// engine with a flat pass band to 20 kHz (no roll-off before its end), whose
// error on a pure tone stays below a fifth of a 16-bit step.
bool convert(const std::vector<float>& input, double ratio, std::vector<float>& output, std::size_t& made,
             std::string& error)
{
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, SOXR_ROLLOFF_NONE);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t failure = nullptr;
    const Converter converter(soxr_create(1.0, ratio, 2, &failure, &io, &quality, &runtime), deleteConverter);
    const std::size_t wanted = output.size() / 2;
    made = 0;
    for (bool flushing = false; !failure && made < wanted; flushing = true) {
        std::size_t got = 0;
        failure = soxr_process(converter.get(), flushing ? nullptr : input.data(), flushing ? 0 : input.size() / 2,
                               nullptr, output.data() + 2 * made, wanted - made, &got);
        made += got;
        if (flushing && got == 0) break;
    }
    if (failure) error = std::string("resampling failed: ") + failure;
    return !failure;
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
        const auto gain =
            static_cast<float>(0.5 + 0.5 * exactCosineOfPiTimes(static_cast<double>(frame - first + 1) / length));
        frames[2 * frame] *= gain;
        frames[2 * frame + 1] *= gain;
    }
}

}  // namespace

std::optional<SourceStretch> partStretch(int sampleRate, std::size_t onset, double cents)
{
    const double ratio = resampleRatio(sampleRate, cents);
    if (!isConvertible(ratio)) return std::nullopt;
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
    std::size_t made = 0;
    const double ratio = resampleRatio(source.sampleRate, cents);
    if (ratio == 1.0) {
        made = std::min(keyFrames, input.size() / 2);
        std::copy_n(input.begin(), 2 * made, part.frames.begin());
    } else if (!convert(input, ratio, part.frames, made, error)) {
        return std::nullopt;
    }
    const auto fadeFrames = static_cast<std::size_t>(std::lround(fadeSeconds * organRate));
    part.padded = made < keyFrames;
    fadeOut(part.frames, made - std::min(made, fadeFrames), made);
    return part;
}

void pinConverterEngine()
{
    for (const char* name :
         {"SOXR_USE_SIMD", "SOXR_USE_SIMD32", "SOXR_USE_SIMD64", "SOXR_MIN_DFT_SIZE", "SOXR_LARGE_DFT_SIZE",
          "SOXR_COEFS_SIZE", "SOXR_COEF_INTERP", "SOXR_NUM_THREADS", "SOXR_STRICT_BUF", "SOXR_NOSMALLINTOPT"}) {
#ifdef _WIN32
        _putenv_s(name, "");
#else
        ::unsetenv(name);
#endif
    }
}

}  // namespace organ_import
