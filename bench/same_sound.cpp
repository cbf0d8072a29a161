// same_sound BEFORE AFTER: whether two imports of one organ sound the same.
// For every sample file under BEFORE, the one at the same place under
// AFTER scaled by the single gain that brings it closest; prints the file
// whose difference lies least far below its signal over the whole band and
// within the 20 kHz pass band (both files low-passed by a windowed sinc),
// and fails (status 1) when a file is missing or lies less than 60 dB below
// within the pass band.
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr double requiredDecibels = 60.0;
constexpr double passBandHz = 20000.0, rate = 44100.0;
constexpr int halfTaps = 255;

// A Blackman-windowed sinc low-pass at passBandHz.
std::vector<double> lowPassTaps()
{
    std::vector<double> taps(2 * halfTaps + 1);
    const double cutoff = passBandHz / rate;
    for (int i = -halfTaps; i <= halfTaps; ++i) {
        const double x = std::numbers::pi * i / halfTaps;
        const double window = 0.42 + 0.5 * std::cos(x) + 0.08 * std::cos(2 * x);
        const double sinc = i == 0 ? 2 * cutoff : std::sin(2 * std::numbers::pi * cutoff * i) / (std::numbers::pi * i);
        taps[static_cast<std::size_t>(i + halfTaps)] = window * sinc;
    }
    return taps;
}

// Interleaved stereo through the taps, channel by channel.
std::vector<double> lowPassed(const std::vector<double>& stereo)
{
    static const std::vector<double> taps = lowPassTaps();
    std::vector<double> out(stereo.size());
    const auto frames = static_cast<long>(stereo.size() / 2);
    for (long frame = 0; frame < frames; ++frame)
        for (long channel = 0; channel < 2; ++channel) {
            double sum = 0;
            for (long k = -halfTaps; k <= halfTaps; ++k)
                if (frame + k >= 0 && frame + k < frames)
                    sum += taps[static_cast<std::size_t>(k + halfTaps)] *
                           stereo[static_cast<std::size_t>(2 * (frame + k) + channel)];
            out[static_cast<std::size_t>(2 * frame + channel)] = sum;
        }
    return out;
}

struct Worst {
    double decibels = INFINITY;
    std::string file;

    void take(double below, const std::string& name)
    {
        if (below < decibels) decibels = below, file = name;
    }
};

std::vector<double> samplesOf(const fs::path& file)
{
    SF_INFO info{};
    SNDFILE* sound = sf_open(file.c_str(), SFM_READ, &info);
    if (sound == nullptr) return {};
    std::vector<double> samples(static_cast<std::size_t>(info.frames * info.channels));
    sf_read_double(sound, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(sound);
    return samples;
}

// How far below the signal of `before` the rest of after * gain lies, the
// gain chosen to make that rest least; infinity when they are equal.
double differenceBelowSignal(const std::vector<double>& before, const std::vector<double>& after)
{
    double cross = 0, afterEnergy = 0, signal = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        cross += before[i] * after[i];
        afterEnergy += after[i] * after[i];
        signal += before[i] * before[i];
    }
    const double gain = afterEnergy > 0 ? cross / afterEnergy : 0;
    double rest = 0;
    for (std::size_t i = 0; i < before.size(); ++i)
        rest += (before[i] - gain * after[i]) * (before[i] - gain * after[i]);
    return 10 * std::log10(signal / rest);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: same_sound BEFORE AFTER\n", stderr);
        return 2;
    }
    const fs::path before = argv[1], after = argv[2];
    Worst whole, passBand;
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(before)) {
        if (entry.path().extension() != ".wav") continue;
        const std::string relative = fs::relative(entry.path(), before).string();
        const std::vector<double> a = samplesOf(entry.path()), b = samplesOf(after / relative);
        ++files;
        if (a.size() != b.size()) {
            passBand.take(-INFINITY, relative + " (missing or of another length)");
            continue;
        }
        whole.take(differenceBelowSignal(a, b), relative);
        passBand.take(differenceBelowSignal(lowPassed(a), lowPassed(b)), relative);
    }
    std::printf("%d files; the difference least far below its signal: %.1f dB (%s) over the whole band, "
                "%.1f dB (%s) within %.0f Hz\n",
                files, whole.decibels, whole.file.c_str(), passBand.decibels, passBand.file.c_str(), passBandHz);
    return files > 0 && passBand.decibels >= requiredDecibels ? 0 : 1;
}
