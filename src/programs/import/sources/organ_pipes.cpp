// Laying an organ's pipes on its keys (see organ_pipes.h).
#include "programs/import/sources/organ_pipes.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace organ_import {

namespace {

constexpr int deepestReference = 16;                   // REF pipes followed before they are taken for a circle
constexpr double highestAmplitudeLevel = 1000;         // percent, as the format allows
constexpr double lowestGain = -120, highestGain = 40;  // dB, as the format allows

struct Levels {
    double cents = 0.0;
    double amplitude = 1.0;  // linear
    double decibels = 0.0;
};

// Adds the section's PitchTuning, AmplitudeLevel and Gain, the keys named
// after `prefix` ("Pipe012" for a pipe's, empty for the section's own).
bool addLevels(const OrganIni& ini, std::string_view section, const std::string& prefix, Levels& levels,
               std::string& error)
{
    const std::optional<double> tuning = decimalValue(ini, section, prefix + "PitchTuning", 0.0, error);
    const std::optional<double> amplitude =
        decimalValue(ini, section, prefix + "AmplitudeLevel", 100.0, error, 0.0, highestAmplitudeLevel);
    const std::optional<double> gain = decimalValue(ini, section, prefix + "Gain", 0.0, error, lowestGain, highestGain);
    if (!tuning || !amplitude || !gain) return false;
    levels.cents += *tuning;
    levels.amplitude *= *amplitude / 100.0;
    levels.decibels += *gain;
    return true;
}

// The organ's PitchCorrection and the pipe's, which is the rank's unless
// the pipe gives its own.
bool addCorrection(const OrganIni& ini, const PipeAt& pipe, const std::string& pipeKey, Levels& levels,
                   std::string& error)
{
    const std::optional<double> organ = decimalValue(ini, "Organ", "PitchCorrection", 0.0, error);
    const std::optional<double> rank = decimalValue(ini, pipe.rank, "PitchCorrection", 0.0, error);
    const std::optional<double> own =
        rank ? decimalValue(ini, pipe.rank, pipeKey + "PitchCorrection", *rank, error) : std::nullopt;
    if (!organ || !own) return false;
    levels.cents += *organ + *own;
    return true;
}

// The three numbers of "REF:aaa:bbb:ccc".
std::optional<std::array<long, 3>> referenceNumbers(std::string_view value)
{
    std::array<long, 3> numbers{};
    value.remove_prefix(4);
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const char* end = value.data() + value.size();
        const auto [next, failure] = std::from_chars(value.data(), end, numbers[i]);
        if (failure != std::errc() || (i < 2 && (next == end || *next != ':')) || (i == 2 && next != end))
            return std::nullopt;
        value.remove_prefix(static_cast<std::size_t>(next - value.data()) + (i < 2 ? 1 : 0));
    }
    return numbers;
}

// Pipe ccc of the first rank of stop bbb of manual aaa: the stop's first
// referenced rank, or its own pipes when it references none.
std::optional<PipeAt> referencedPipe(const OrganIni& ini, std::string_view value, const std::string& cited,
                                     std::string& error)
{
    const std::optional<std::array<long, 3>> numbers = referenceNumbers(value);
    if (!numbers) {
        error = cited + ": not REF:manual:stop:pipe";
        return std::nullopt;
    }
    const auto [manual, stopOfManual, pipe] = *numbers;
    const std::optional<long> stopNumber =
        integerValue(ini, numbered("Manual", manual), numbered("Stop", stopOfManual), std::nullopt, error);
    if (!stopNumber) {
        error = cited + ": the manual has no such stop (" + error + ")";
        return std::nullopt;
    }
    const std::string stop = numbered("Stop", *stopNumber);
    const std::optional<long> ranks = integerValue(ini, stop, "NumberOfRanks", 0, error);
    if (!ranks) return std::nullopt;
    if (*ranks == 0) return PipeAt{stop, pipe};
    const std::optional<long> rank = integerValue(ini, stop, "Rank001", std::nullopt, error);
    if (!rank) return std::nullopt;
    return PipeAt{numbered("Rank", *rank), pipe};
}

bool soundAt(const OrganSource& source, const PipeAt& pipe, std::optional<PipeSound>& sound, int depth,
             std::string& error)
{
    const OrganIni& ini = source.ini;
    const std::string key = numbered("Pipe", pipe.pipe);
    const IniEntry* entry = findEntry(ini, pipe.rank, key);
    if (!entry) {
        error = ini.fileName + ": [" + pipe.rank + "] has no " + key;
        return false;
    }
    const std::string cited = citation(ini, *entry, key);
    sound.reset();
    if (entry->value == "DUMMY") return true;
    if (entry->value.starts_with("REF:")) {
        if (depth == deepestReference) {
            error = cited + ": REF pipes that borrow one another in a circle";
            return false;
        }
        const std::optional<PipeAt> lent = referencedPipe(ini, entry->value, cited, error);
        return lent && soundAt(source, *lent, sound, depth + 1, error);
    }
    Levels levels;
    if (!addLevels(ini, "Organ", "", levels, error) || !addLevels(ini, pipe.rank, "", levels, error) ||
        !addLevels(ini, pipe.rank, key, levels, error) || !addCorrection(ini, pipe, key, levels, error))
        return false;
    const std::optional<RecordingLocation> location = recordingLocation(source, entry->value, cited, error);
    if (!location) return false;
    sound = PipeSound{*location, levels.cents, levels.amplitude * std::pow(10.0, levels.decibels / 20.0)};
    return true;
}

// The pipe of the stop's rank r on the stop's key `position`, if the rank
// reaches it.
bool rankPipeOnKey(const OrganIni& ini, std::string_view stop, long r, long position, std::optional<PipeAt>& pipe,
                   std::string& error)
{
    const std::string prefix = numbered("Rank", r);
    const std::optional<long> rankNumber = integerValue(ini, stop, prefix, std::nullopt, error);
    if (!rankNumber) return false;
    const std::string rank = numbered("Rank", *rankNumber);
    const std::optional<long> rankPipes = integerValue(ini, rank, "NumberOfLogicalPipes", std::nullopt, error);
    const std::optional<long> firstPipe = integerValue(ini, stop, prefix + "FirstPipeNumber", 1, error);
    const std::optional<long> firstKey = integerValue(ini, stop, prefix + "FirstAccessibleKeyNumber", 1, error);
    if (!rankPipes || !firstPipe || !firstKey) return false;
    const std::optional<long> count = integerValue(ini, stop, prefix + "PipeCount", *rankPipes - *firstPipe + 1, error);
    if (!count) return false;
    const long offset = position - *firstKey;
    if (offset >= 0 && offset < *count && *firstPipe + offset <= *rankPipes) pipe = PipeAt{rank, *firstPipe + offset};
    return true;
}

}  // namespace

std::string numbered(std::string_view name, long number)
{
    char digits[24];
    std::snprintf(digits, sizeof digits, "%03ld", number);
    return std::string(name) + digits;
}

std::optional<std::vector<PipeAt>> pipesOnKey(const OrganIni& ini, std::string_view stop, long logicalKey,
                                              std::string& error)
{
    const std::optional<long> firstKey =
        integerValue(ini, stop, "FirstAccessiblePipeLogicalKeyNumber", std::nullopt, error);
    const std::optional<long> accessible = integerValue(ini, stop, "NumberOfAccessiblePipes", std::nullopt, error);
    const std::optional<long> ranks = integerValue(ini, stop, "NumberOfRanks", 0, error);
    if (!firstKey || !accessible || !ranks) return std::nullopt;
    const long position = logicalKey - *firstKey + 1;  // the stop's own key, from 1
    std::vector<PipeAt> pipes;
    if (position < 1 || position > *accessible) return pipes;
    if (*ranks == 0) {
        const std::optional<long> firstPipe =
            integerValue(ini, stop, "FirstAccessiblePipeLogicalPipeNumber", std::nullopt, error);
        const std::optional<long> count = integerValue(ini, stop, "NumberOfLogicalPipes", std::nullopt, error);
        if (!firstPipe || !count) return std::nullopt;
        if (const long pipe = *firstPipe + position - 1; pipe >= 1 && pipe <= *count)
            pipes.push_back({std::string(stop), pipe});
        return pipes;
    }
    for (long r = 1; r <= *ranks; ++r) {
        std::optional<PipeAt> pipe;
        if (!rankPipeOnKey(ini, stop, r, position, pipe, error)) return std::nullopt;
        if (pipe) pipes.push_back(std::move(*pipe));
    }
    return pipes;
}

bool pipeSound(const OrganSource& source, const PipeAt& pipe, std::optional<PipeSound>& sound, std::string& error)
{
    return soundAt(source, pipe, sound, 0, error);
}

}  // namespace organ_import
