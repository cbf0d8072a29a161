// Planning a whole organ's stops (see organ_planner.h).
#include "programs/import/sources/organ_planner.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <regex>
#include <set>

#include "bank/organ_bank.h"
#include "platform/windows1252.h"
#include "programs/import/sources/organ_names.h"
#include "programs/import/sources/organ_pipes.h"
#include "programs/import/sources/organ_source.h"

namespace organ_import {

namespace {

constexpr long noLogicalKey = 0;  // the manual's keys count from 1

struct ListedStop {
    std::string section;  // "Stop101"
    std::string organName;
    std::string manualSection;  // "Manual001"
    std::string manual;         // its manual's Name=
    std::array<std::vector<PipeSound>, keyCount> keys;
    int soundingKeys = 0;
};

// The stops the manuals list, the pedal's first, each once.
std::optional<std::vector<ListedStop>> listedStops(const OrganIni& ini, std::string& error)
{
    std::vector<long> manuals;
    if (textValue(ini, "Organ", "HasPedals") == "Y") manuals.push_back(0);
    const std::optional<long> count = integerValue(ini, "Organ", "NumberOfManuals", 0, error, 0, highestNumber);
    if (!count) return std::nullopt;
    for (long manual = 1; manual <= *count; ++manual) manuals.push_back(manual);
    std::vector<ListedStop> stops;
    std::set<long> seen;
    for (const long manual : manuals) {
        const std::string section = numbered("Manual", manual);
        const std::optional<long> stopCount = integerValue(ini, section, "NumberOfStops", 0, error);
        if (!stopCount) return std::nullopt;
        for (long i = 1; i <= *stopCount; ++i) {
            const std::optional<long> number = integerValue(ini, section, numbered("Stop", i), std::nullopt, error);
            if (!number) return std::nullopt;
            const std::string stop = numbered("Stop", *number);
            if (seen.insert(*number).second)
                stops.push_back({stop, textValue(ini, stop, "Name"), section, textValue(ini, section, "Name"), {}, 0});
        }
    }
    return stops;
}

// The manual's logical key that Velmara's key plays, noLogicalKey when the
// manual has no such key; nothing, with error set, when the manual cannot be
// read.
std::optional<long> logicalKey(const OrganIni& ini, const std::string& manual, int key, std::string& error)
{
    const std::optional<long> firstKey =
        integerValue(ini, manual, "FirstAccessibleKeyLogicalKeyNumber", std::nullopt, error);
    const std::optional<long> firstNote =
        integerValue(ini, manual, "FirstAccessibleKeyMIDINoteNumber", std::nullopt, error);
    const std::optional<long> keys = integerValue(ini, manual, "NumberOfAccessibleKeys", std::nullopt, error);
    if (!firstKey || !firstNote || !keys) return std::nullopt;
    const long fromFirst = firstMidiNote + key - *firstNote;
    if (fromFirst < 0 || fromFirst >= *keys) return noLogicalKey;
    return *firstKey + fromFirst;
}

// The sounds of each key of the stop, played from the manual.
bool layStop(const OrganSource& source, ListedStop& stop, std::string& error)
{
    for (int key = 0; key < keyCount; ++key) {
        const std::optional<long> logical = logicalKey(source.ini, stop.manualSection, key, error);
        if (!logical) return false;
        if (*logical == noLogicalKey) continue;
        const std::optional<std::vector<PipeAt>> pipes = pipesOnKey(source.ini, stop.section, *logical, error);
        if (!pipes) return false;
        for (const PipeAt& pipe : *pipes) {
            std::optional<PipeSound> sound;
            if (!pipeSound(source, pipe, sound, error)) return false;
            if (sound) stop.keys[static_cast<std::size_t>(key)].push_back(std::move(*sound));
        }
        stop.soundingKeys += !stop.keys[static_cast<std::size_t>(key)].empty();
    }
    return true;
}

std::string joined(const std::vector<std::string>& parts, std::string_view between)
{
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) text += (i > 0 ? std::string(between) : std::string()) + parts[i];
    return text;
}

// The Windows-1252 names the stops get when they are named together.
std::vector<std::string> namesOf(const std::vector<ListedStop>& stops)
{
    std::vector<StopNaming> namings;
    namings.reserve(stops.size());
    for (const ListedStop& stop : stops)
        namings.push_back({stop.organName, stop.manual, "Stop " + stop.section.substr(4), {}});
    nameStops(namings);
    std::vector<std::string> names;
    names.reserve(namings.size());
    for (StopNaming& naming : namings) names.push_back(std::move(naming.name));
    return names;
}

// Whether `name` calls the stop: its own name, that name made one Velmara
// holds, or `gets`, the name it gets beside the other stops.
bool isCalled(const ListedStop& stop, const std::string& gets, const std::string& name)
{
    return name == stop.organName || name == platform::windows1252ToUtf8(stopNameFrom(stop.organName)) ||
           name == platform::windows1252ToUtf8(gets);
}

// The stops chosen by name (all when none is); nothing, with error naming
// the organ's stops, when a name is none of them.
std::optional<std::vector<ListedStop>> chosenStops(std::vector<ListedStop> stops,
                                                   const std::vector<std::string>& chosen, const OrganIni& ini,
                                                   std::string& error)
{
    if (chosen.empty()) return stops;
    const std::vector<std::string> names = namesOf(stops);
    std::vector<bool> kept(stops.size());
    for (const std::string& name : chosen) {
        bool found = false;
        for (std::size_t i = 0; i < stops.size(); ++i)
            if (isCalled(stops[i], names[i], name)) kept[i] = found = true;
        if (found) continue;
        error = ini.fileName + ": no stop is called \"" + name + "\"; its stops are";
        for (const ListedStop& stop : stops) error += " \"" + stop.organName + "\"";
        return std::nullopt;
    }
    std::vector<ListedStop> chosenOnes;
    for (std::size_t i = 0; i < stops.size(); ++i)
        if (kept[i]) chosenOnes.push_back(std::move(stops[i]));
    return chosenOnes;
}

struct LeftOutKind {
    const char* pattern;  // the sections of its kind, or its keys
    bool isKey;
    const char* one;
    const char* many;
};

// What of the organ no stop of Velmara's plays, counted: its controls
// (by section) and the recordings beyond each pipe's first attack (by key).
std::vector<std::string> controlsLeftOut(const OrganIni& ini)
{
    static const std::array<LeftOutKind, 11> kinds{{
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
    for (const LeftOutKind& kind : kinds) {
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

void addToPlan(std::vector<ListedStop>& stops, ImportPlan& plan, OrganReport& report)
{
    const std::vector<std::string> names = namesOf(stops);
    for (std::size_t i = 0; i < stops.size(); ++i) {
        const std::string name = platform::windows1252ToUtf8(names[i]);
        StopPlan stopPlan;
        stopPlan.folder = name;
        stopPlan.definitionName = names[i];
        stopPlan.ownName = stops[i].organName;
        const int silent = keyCount - stops[i].soundingKeys;
        stopPlan.origin = stops[i].organName + " (" + stops[i].manual + ")" +
                          (silent > 0 ? ", " + std::to_string(silent) + " silent keys" : "");
        for (std::size_t key = 0; key < keyCount; ++key)
            for (const PipeSound& sound : stops[i].keys[key])
                stopPlan.keys[key].push_back({recordingIndex(plan, sound.recording), sound.cents, sound.gain});
        plan.stops.push_back(std::move(stopPlan));
        if (name != stops[i].organName) report.renamed.push_back(stops[i].organName + " -> " + name);
    }
}

}  // namespace

std::optional<OrganReport> planOrgan(const std::filesystem::path& file, const std::vector<std::string>& chosen,
                                     ImportPlan& plan, std::string& error)
{
    const std::optional<OrganSource> source = openOrganSource(file, error);
    if (!source) return std::nullopt;
    const OrganIni& ini = source->ini;
    std::optional<std::vector<ListedStop>> listed = listedStops(ini, error);
    if (listed) listed = chosenStops(std::move(*listed), chosen, ini, error);
    if (!listed) return std::nullopt;
    const std::string churchName = textValue(ini, "Organ", "ChurchName");
    OrganReport report{churchName + " (" + ini.fileName + ")", definitionFileNameFor(churchName), 0, {}, {}};
    std::vector<ListedStop> playable;
    std::vector<std::string> quiet;
    for (ListedStop& stop : *listed) {
        if (!layStop(*source, stop, error)) return std::nullopt;
        if (stop.soundingKeys >= 2)
            playable.push_back(std::move(stop));
        else
            quiet.push_back(stop.organName);
    }
    if (playable.empty()) {
        error = ini.fileName + ": no stop its manuals list sounds on two keys or more; nothing to import";
        return std::nullopt;
    }
    if (playable.size() > static_cast<std::size_t>(maxStops)) {
        error = ini.fileName + ": " + std::to_string(playable.size()) + " keyboard stops, more than the " +
                std::to_string(maxStops) + " the organ holds; choose some with --stop NAME";
        return std::nullopt;
    }
    if (!quiet.empty()) {
        report.leftOut.push_back(std::to_string(quiet.size()) + " stops sounding on fewer than two keys (" +
                                 joined(quiet, ", ") + ")");
    }
    if (chosen.empty()) {
        const std::vector<std::string> controls = controlsLeftOut(ini);
        report.leftOut.insert(report.leftOut.end(), controls.begin(), controls.end());
    }
    report.stopCount = static_cast<int>(playable.size());
    addToPlan(playable, plan, report);
    return report;
}

void printOrganReport(const OrganReport& report)
{
    std::printf("%s: %d stops\n", report.organ.c_str(), report.stopCount);
    for (const auto& [title, lines] : {std::pair{"Left out", &report.leftOut}, std::pair{"Renamed", &report.renamed}}) {
        if (!lines->empty()) std::printf("%s: %s\n", title, joined(*lines, "; ").c_str());
    }
}

}  // namespace organ_import
