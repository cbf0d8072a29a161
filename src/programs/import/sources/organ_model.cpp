// Reading an organ definition into its model (see organ_model.h).
#include "programs/import/sources/organ_model.h"

#include <charconv>
#include <cstdio>
#include <regex>

namespace organ_import {

namespace {

constexpr double highestAmplitudeLevel = 1000;         // percent, as the format allows
constexpr double lowestGain = -120, highestGain = 40;  // dB, as the format allows
constexpr double widestTuning = largestNumber;         // cents either way: the resampler refuses what it cannot reach
constexpr long highestMidiNote = 127;

// Reads values until the first that fails, whose error it keeps; later
// reads give their fallback (or 0) so the reading can run on to a check.
class ValueReader {
public:
    ValueReader(const OrganIni& ini, std::string& error) : ini_(ini), error_(error) {}

    bool failed() const { return failed_; }
    const OrganIni& ini() const { return ini_; }

    long whole(std::string_view section, std::string_view key, std::optional<long> fallback, long low, long high)
    {
        if (failed_) return fallback.value_or(0);
        const std::optional<long> value = integerValue(ini_, section, key, fallback, error_, low, high);
        failed_ = !value;
        return value.value_or(0);
    }

    double decimal(std::string_view section, std::string_view key, double fallback, double low, double high)
    {
        if (failed_) return fallback;
        const std::optional<double> value = decimalValue(ini_, section, key, fallback, error_, low, high);
        failed_ = !value;
        return value.value_or(fallback);
    }

    // The voicing keys named after `prefix` ("Pipe012" for a pipe's, empty
    // for the section's own).
    Voicing voicing(std::string_view section, const std::string& prefix)
    {
        Voicing voicing;
        voicing.cents = decimal(section, prefix + "PitchTuning", 0.0, -widestTuning, widestTuning);
        voicing.amplitude = decimal(section, prefix + "AmplitudeLevel", 100.0, 0.0, highestAmplitudeLevel) / 100.0;
        voicing.decibels = decimal(section, prefix + "Gain", 0.0, lowestGain, highestGain);
        return voicing;
    }

    void fail(std::string message)
    {
        if (failed_) return;
        error_ = std::move(message);
        failed_ = true;
    }

private:
    const OrganIni& ini_;
    std::string& error_;
    bool failed_ = false;
};

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

OrganPipe readPipe(ValueReader& reader, const PipeSet& set, long number)
{
    const OrganIni& ini = reader.ini();
    const std::string key = numbered("Pipe", number);
    OrganPipe pipe;
    const IniEntry* entry = findEntry(ini, set.section, key);
    if (!entry) return pipe;
    pipe.cited = citation(ini, *entry, key);
    pipe.voicing = reader.voicing(set.section, key);
    pipe.pitchCorrection =
        reader.decimal(set.section, key + "PitchCorrection", set.pitchCorrection, -widestTuning, widestTuning);
    if (entry->value == "DUMMY") {
        pipe.kind = OrganPipe::Kind::dummy;
    } else if (entry->value.starts_with("REF:")) {
        pipe.kind = OrganPipe::Kind::reference;
        const std::optional<std::array<long, 3>> numbers = referenceNumbers(entry->value);
        if (!numbers) reader.fail(pipe.cited + ": not REF:manual:stop:pipe");
        pipe.reference = numbers.value_or(std::array<long, 3>{});
    } else {
        pipe.kind = OrganPipe::Kind::recording;
        pipe.file = entry->value;
    }
    return pipe;
}

// The rank or stop's own pipes, read once however many stops sound them.
void readPipeSet(ValueReader& reader, OrganModel& model, const std::string& section)
{
    if (model.pipeSets.contains(section)) return;
    PipeSet set{section, reader.voicing(section, ""), 0.0, {}};
    set.pitchCorrection = reader.decimal(section, "PitchCorrection", 0.0, -widestTuning, widestTuning);
    if (findEntry(reader.ini(), section, "WindchestGroup")) {
        const long group = reader.whole(section, "WindchestGroup", std::nullopt, 1, highestNumber);
        set.voicing.cents +=
            reader.decimal(numbered("WindchestGroup", group), "PitchTuning", 0.0, -widestTuning, widestTuning);
    }
    const long count = reader.whole(section, "NumberOfLogicalPipes", std::nullopt, 1, highestNumber);
    for (long number = 1; number <= count && !reader.failed(); ++number)
        set.pipes.push_back(readPipe(reader, set, number));
    model.pipeSets.emplace(section, std::move(set));
}

OrganStop readStop(ValueReader& reader, OrganModel& model, long number)
{
    const std::string section = numbered("Stop", number);
    OrganStop stop{section, textValue(reader.ini(), section, "Name"), 0, 0, {}};
    stop.firstLogicalKey =
        reader.whole(section, "FirstAccessiblePipeLogicalKeyNumber", std::nullopt, -highestNumber, highestNumber);
    stop.accessibleKeys = reader.whole(section, "NumberOfAccessiblePipes", std::nullopt, 0, highestNumber);
    const long ranks = reader.whole(section, "NumberOfRanks", 0, 0, highestNumber);
    if (ranks == 0) {
        const long firstPipe =
            reader.whole(section, "FirstAccessiblePipeLogicalPipeNumber", std::nullopt, -highestNumber, highestNumber);
        const long ownPipes = reader.whole(section, "NumberOfLogicalPipes", std::nullopt, 1, highestNumber);
        readPipeSet(reader, model, section);
        stop.ranks.push_back({section, firstPipe, 1, stop.accessibleKeys, ownPipes});
        return stop;
    }
    for (long r = 1; r <= ranks && !reader.failed(); ++r) {
        const std::string prefix = numbered("Rank", r);
        const std::string rank = numbered("Rank", reader.whole(section, prefix, std::nullopt, 1, highestNumber));
        const long rankPipes = reader.whole(rank, "NumberOfLogicalPipes", std::nullopt, 1, highestNumber);
        const long firstPipe = reader.whole(section, prefix + "FirstPipeNumber", 1, 1, highestNumber);
        const long firstKey = reader.whole(section, prefix + "FirstAccessibleKeyNumber", 1, 1, highestNumber);
        const long count = reader.whole(section, prefix + "PipeCount", rankPipes - firstPipe + 1, 0, highestNumber);
        if (reader.failed()) break;
        readPipeSet(reader, model, rank);
        stop.ranks.push_back({rank, firstPipe, firstKey, count, rankPipes});
    }
    return stop;
}

void readManual(ValueReader& reader, OrganModel& model, long number)
{
    OrganManual manual;
    manual.section = numbered("Manual", number);
    manual.name = textValue(reader.ini(), manual.section, "Name");
    const long stops = reader.whole(manual.section, "NumberOfStops", 0, 0, highestNumber);
    if (stops > 0) {
        manual.firstLogicalKey = reader.whole(manual.section, "FirstAccessibleKeyLogicalKeyNumber", std::nullopt,
                                              -highestNumber, highestNumber);
        manual.firstMidiNote =
            reader.whole(manual.section, "FirstAccessibleKeyMIDINoteNumber", std::nullopt, 0, highestMidiNote);
        manual.accessibleKeys = reader.whole(manual.section, "NumberOfAccessibleKeys", std::nullopt, 0, highestNumber);
    }
    for (long i = 1; i <= stops && !reader.failed(); ++i) {
        const long stop = reader.whole(manual.section, numbered("Stop", i), std::nullopt, 1, highestNumber);
        if (reader.failed()) break;
        manual.stops.push_back(stop);
        if (!model.stops.contains(stop)) model.stops.emplace(stop, readStop(reader, model, stop));
    }
    model.manuals.push_back(std::move(manual));
}

// Points every REF pipe at pipe ccc of the first rank of stop bbb of manual
// aaa: the stop's first referenced rank, or its own pipes.
void lendReferences(ValueReader& reader, OrganModel& model)
{
    for (auto& [section, set] : model.pipeSets) {
        for (OrganPipe& pipe : set.pipes) {
            if (pipe.kind != OrganPipe::Kind::reference || reader.failed()) continue;
            const long manual = pipe.reference[0], stopOfManual = pipe.reference[1];
            const std::string manualSection = numbered("Manual", manual);
            const OrganManual* holder = nullptr;
            for (const OrganManual& listed : model.manuals)
                if (listed.section == manualSection) holder = &listed;
            if (!holder || stopOfManual < 1 || stopOfManual > static_cast<long>(holder->stops.size())) {
                reader.fail(pipe.cited + ": the manual has no such stop (" + model.fileName + ": [" + manualSection +
                            "] has no " + numbered("Stop", stopOfManual) + ")");
                break;
            }
            pipe.lentSet = model.stops.at(holder->stops[static_cast<std::size_t>(stopOfManual - 1)]).ranks.front().set;
        }
    }
}

struct UnplayedKind {
    const char* pattern;  // the sections of its kind, or its keys
    bool isKey;
    const char* one;
    const char* many;
};

// What of the organ no stop of Velmara's plays, counted: its controls (by
// section) and the recordings beyond each pipe's first attack (by key).
std::vector<std::string> unplayedParts(const OrganIni& ini)
{
    static const std::array<UnplayedKind, 11> kinds{{
        {"Coupler[0-9]{3}", false, "coupler", "couplers"},
        {"Tremulant[0-9]{3}", false, "tremulant", "tremulants"},
        {"Enclosure[0-9]{3}", false, "enclosure", "enclosures"},
        {"Switch[0-9]{3}", false, "switch", "switches"},
        {"Panel[0-9]{3}", false, "panel", "panels"},
        {"General[0-9]{3}", false, "general", "generals"},
        {"Divisional[0-9]{3}", false, "divisional", "divisionals"},
        {"DivisionalCoupler[0-9]{3}", false, "divisional coupler", "divisional couplers"},
        {"ReversiblePiston[0-9]{3}", false, "reversible piston", "reversible pistons"},
        {"Pipe[0-9]{3}Attack[0-9]{3}", true, "further attack recording", "further attack recordings"},
        {"Pipe[0-9]{3}Release[0-9]{3}", true, "release recording", "release recordings"},
    }};
    std::vector<std::string> lines;
    for (const UnplayedKind& kind : kinds) {
        const std::regex pattern(kind.pattern);
        long count = 0;
        for (const auto& [section, keys] : ini.sections) {
            if (!kind.isKey) count += std::regex_match(section, pattern);
            for (const auto& [key, entry] : keys) count += kind.isKey && std::regex_match(key, pattern);
        }
        if (count > 0) lines.push_back(std::to_string(count) + " " + (count > 1 ? kind.many : kind.one));
    }
    return lines;
}

}  // namespace

std::string numbered(std::string_view name, long number)
{
    char digits[24];
    std::snprintf(digits, sizeof digits, "%03ld", number);
    return std::string(name) + digits;
}

std::optional<OrganModel> readOrganModel(const OrganIni& ini, std::string& error)
{
    if (!ini.sections.contains("Organ")) {
        error = ini.fileName + ": no [Organ] section; not an organ definition";
        return std::nullopt;
    }
    ValueReader reader(ini, error);
    OrganModel model;
    model.fileName = ini.fileName;
    model.churchName = textValue(ini, "Organ", "ChurchName");
    const long manuals = reader.whole("Organ", "NumberOfManuals", 0, 0, highestNumber);
    model.voicing = reader.voicing("Organ", "");
    model.pitchCorrection = reader.decimal("Organ", "PitchCorrection", 0.0, -widestTuning, widestTuning);
    if (textValue(ini, "Organ", "HasPedals") == "Y") readManual(reader, model, 0);
    for (long manual = 1; manual <= manuals && !reader.failed(); ++manual) readManual(reader, model, manual);
    lendReferences(reader, model);
    if (reader.failed()) return std::nullopt;
    model.unplayed = unplayedParts(ini);
    return model;
}

}  // namespace organ_import
