// Finding the pipe's speech in a recording (see speech_onset.h).
#include "programs/import/recordings/speech_onset.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace organ_import {

namespace {

constexpr double blockSeconds = 0.0005;
constexpr std::size_t runBlocks = 4;         // 2 ms over the threshold
constexpr std::size_t floorBlocks = 10;      // 5 ms measure the noise floor
constexpr std::size_t fullLevelBlocks = 20;  // 10 ms measure the full level
constexpr double overFloor = 4.0;            // 12 dB
constexpr double underFullLevel = 0.003;     // -50 dB
constexpr double highestThreshold = 0.3;     // of the full level, for a recording that is mostly noise

// Mean square of both channels over each block.
std::vector<double> blockPowers(const Recording& recording, std::size_t blockFrames)
{
    std::vector<double> powers(recording.frameCount() / blockFrames);
    for (std::size_t block = 0; block < powers.size(); ++block) {
        const float* first = recording.frames.data() + 2 * block * blockFrames;
        double sum = 0.0;
        for (std::size_t i = 0; i < 2 * blockFrames; ++i) sum += static_cast<double>(first[i]) * first[i];
        powers[block] = sum / static_cast<double>(2 * blockFrames);
    }
    return powers;
}

// Mean power of blocks [first, first + count), from running sums.
double windowPower(const std::vector<double>& sums, std::size_t first, std::size_t count)
{
    return (sums[first + count] - sums[first]) / static_cast<double>(count);
}

// The power threshold speech must pass: over the noise floor measured before
// the pipe reaches half its full level, and under the full level itself.
double speechThreshold(const std::vector<double>& powers)
{
    std::vector<double> sums(powers.size() + 1, 0.0);
    for (std::size_t i = 0; i < powers.size(); ++i) sums[i + 1] = sums[i] + powers[i];
    double fullLevel = 0.0;
    for (std::size_t first = 0; first + fullLevelBlocks <= powers.size(); first += fullLevelBlocks)
        fullLevel = std::max(fullLevel, windowPower(sums, first, fullLevelBlocks));
    const auto halfLevel = std::find_if(powers.begin(), powers.end(), [&](double p) { return p >= fullLevel / 4; });
    const auto rising = static_cast<std::size_t>(halfLevel - powers.begin());
    double floor = 0.0;
    if (rising >= floorBlocks) {
        floor = windowPower(sums, 0, floorBlocks);
        for (std::size_t first = 1; first + floorBlocks <= rising; ++first)
            floor = std::min(floor, windowPower(sums, first, floorBlocks));
    }
    const double threshold = std::max(overFloor * overFloor * floor, underFullLevel * underFullLevel * fullLevel);
    return std::min(threshold, highestThreshold * highestThreshold * fullLevel);
}

}  // namespace

std::optional<std::size_t> speechOnset(const Recording& recording)
{
    const auto blockFrames =
        std::max<std::size_t>(1, static_cast<std::size_t>(std::lround(blockSeconds * recording.sampleRate)));
    const std::vector<double> powers = blockPowers(recording, blockFrames);
    if (powers.size() < runBlocks) return std::nullopt;
    const double threshold = speechThreshold(powers);
    if (threshold <= 0.0) return std::nullopt;
    for (std::size_t block = 0; block + runBlocks <= powers.size(); ++block) {
        const double* run = powers.data() + block;
        if (!std::all_of(run, run + runBlocks, [&](double p) { return p > threshold; })) continue;
        const float* first = recording.frames.data() + 2 * block * blockFrames;
        const double amplitude = std::sqrt(threshold);
        for (std::size_t frame = 0; frame < blockFrames; ++frame)
            if (std::max(std::abs(first[2 * frame]), std::abs(first[2 * frame + 1])) >= amplitude)
                return block * blockFrames + frame;
        return block * blockFrames;
    }
    return std::nullopt;
}

}  // namespace organ_import
