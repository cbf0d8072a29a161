// Planning a whole organ's stops (see organ_planner.h).
#include "programs/import/sources/organ_planner.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <set>

#include "bank/organ_bank.h"
#include "platform/windows1252.h"
#include "programs/import/sources/organ_model.h"
#include "programs/import/sources/organ_names.h"
#include "programs/import/sources/organ_pipes.h"
#include "programs/import/sources/organ_source.h"

namespace organ_import {

namespace {

struct ListedStop {
    const OrganStop* stop;
    const OrganManual* manual;
    std::string name;  // Windows-1252, as it is named beside every stop the manuals list
    std::array<std::vector<PipeSound>, keyCount> keys;
    int keysWithPipes = 0;  // keys on which a pipe speaks, at any level
    int soundingKeys = 0;   // keys on which a pipe is heard: its gain is above zero
};

// The Windows-1252 names the stops get when they are named together.
std::vector<std::string> namesOf(const std::vector<ListedStop>& stops)
{
    std::vector<StopNaming> namings;
    namings.reserve(stops.size());
    for (const ListedStop& stop : stops)
        namings.push_back({stop.stop->name, stop.manual->name, "Stop " + stop.stop->section.substr(4), {}});
    nameStops(namings);
    std::vector<std::string> names;
    names.reserve(namings.size());
    for (StopNaming& naming : namings) names.push_back(std::move(naming.name));
    return names;
}

// The stops the manuals list, the pedal's first, each once, with the names
// they get beside one another.
std::vector<ListedStop> listedStops(const OrganModel& model)
{
    std::vector<ListedStop> stops;
    std::set<long> seen;
    for (const OrganManual& manual : model.manuals)
        for (const long number : manual.stops)
            if (seen.insert(number).second) stops.push_back({&model.stops.at(number), &manual, {}, {}, 0, 0});
    const std::vector<std::string> names = namesOf(stops);
    for (std::size_t i = 0; i < stops.size(); ++i) stops[i].name = names[i];
    return stops;
}

// The sounds of each key of the stop, played from the manual: key k plays
// the manual's logical key FirstAccessibleKeyLogicalKeyNumber + (36 + k) -
// FirstAccessibleKeyMIDINoteNumber, none outside its accessible keys.
bool layStop(const OrganSource& source, const OrganModel& model, ListedStop& stop, std::string& error)
{
    const OrganManual& manual = *stop.manual;
    for (int key = 0; key < keyCount; ++key) {
        const long fromFirst = firstMidiNote + key - manual.firstMidiNote;
        if (fromFirst < 0 || fromFirst >= manual.accessibleKeys) continue;
        std::vector<PipeSound>& sounds = stop.keys[static_cast<std::size_t>(key)];
        for (const PipeAt& pipe : pipesOnKey(*stop.stop, manual.firstLogicalKey + fromFirst)) {
            std::optional<PipeSound> sound;
            if (!pipeSound(source, model, pipe, sound, error)) return false;
            if (sound) sounds.push_back(std::move(*sound));
        }
        stop.keysWithPipes += !sounds.empty();
        stop.soundingKeys += std::any_of(sounds.begin(), sounds.end(), [](const PipeSound& s) { return s.gain > 0; });
    }
    return true;
}

std::string joined(const std::vector<std::string>& parts, std::string_view between)
{
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) text += (i > 0 ? std::string(between) : std::string()) + parts[i];
    return text;
}

// Whether `name` calls the stop: its own name, that name made one Velmara
// holds, or the name it gets beside the other stops.
bool isCalled(const ListedStop& stop, const std::string& name)
{
    return name == stop.stop->name || name == platform::windows1252ToUtf8(stopNameFrom(stop.stop->name)) ||
           name == platform::windows1252ToUtf8(stop.name);
}

// The stops chosen by name (all when none is); the names that call one of
// them go into `found`.
std::vector<ListedStop> chosenStops(std::vector<ListedStop> stops, const std::vector<std::string>& chosen,
                                    std::vector<std::string>& found)
{
    if (chosen.empty()) return stops;
    std::vector<bool> kept(stops.size());
    for (const std::string& name : chosen) {
        bool calls = false;
        for (std::size_t i = 0; i < stops.size(); ++i)
            if (isCalled(stops[i], name)) kept[i] = calls = true;
        if (calls) found.push_back(name);
    }
    std::vector<ListedStop> chosenOnes;
    for (std::size_t i = 0; i < stops.size(); ++i)
        if (kept[i]) chosenOnes.push_back(std::move(stops[i]));
    return chosenOnes;
}

void addToPlan(std::vector<ListedStop>& stops, ImportPlan& plan, OrganReport& report)
{
    for (ListedStop& stop : stops) {
        const std::string name = platform::windows1252ToUtf8(stop.name);
        StopPlan stopPlan;
        stopPlan.folder = name;
        stopPlan.definitionName = stop.name;
        stopPlan.ownName = stop.stop->name;
        const int silent = keyCount - stop.soundingKeys;
        stopPlan.origin = stop.stop->name + " (" + stop.manual->name + ")" +
                          (silent > 0 ? ", " + std::to_string(silent) + " silent keys" : "");
        for (std::size_t key = 0; key < keyCount; ++key)
            for (const PipeSound& sound : stop.keys[key])
                stopPlan.keys[key].push_back({recordingIndex(plan, sound.recording), sound.cents, sound.gain});
        plan.stops.push_back(std::move(stopPlan));
        if (name != stop.stop->name) report.renamed.push_back(stop.stop->name + " -> " + name);
    }
}

struct Playable {
    std::vector<ListedStop> stops;  // those that sound on two keys or more
    bool silencedByLevels = false;  // whether a stop left out would sound but for its AmplitudeLevel of 0
};

// The stops that sound on two keys or more; those that do not are named in
// the report's left-out lines, the ones silenced by their levels apart.
bool playableStops(const OrganSource& source, const OrganModel& model, std::vector<ListedStop> listed,
                   Playable& playable, OrganReport& report, std::string& error)
{
    std::vector<std::string> quiet, levelled;
    for (ListedStop& stop : listed) {
        if (!layStop(source, model, stop, error)) return false;
        if (stop.soundingKeys >= 2)
            playable.stops.push_back(std::move(stop));
        else
            (stop.keysWithPipes >= 2 ? levelled : quiet).push_back(stop.stop->name);
    }
    if (!quiet.empty())
        report.leftOut.push_back(std::to_string(quiet.size()) + " stops sounding on fewer than two keys (" +
                                 joined(quiet, ", ") + ")");
    if (!levelled.empty())
        report.leftOut.push_back(std::to_string(levelled.size()) + " stops silent at an AmplitudeLevel of 0 (" +
                                 joined(levelled, ", ") + ")");
    playable.silencedByLevels = !levelled.empty();
    return true;
}

}  // namespace

std::optional<OrganReport> planOrgan(const std::filesystem::path& file, const std::vector<std::string>& chosen,
                                     ImportPlan& plan, std::string& error)
{
    const std::optional<OrganSource> source = openOrganSource(file, error);
    if (!source) return std::nullopt;
    const std::optional<OrganModel> model = readOrganModel(source->ini, error);
    if (!model) return std::nullopt;
    OrganReport report{model->churchName + " (" + model->fileName + ")",
                       definitionFileNameFor(model->churchName),
                       model->fileName,
                       0,
                       {},
                       {},
                       {},
                       {}};
    std::vector<ListedStop> listed = listedStops(*model);
    for (const ListedStop& stop : listed) report.stopNames.push_back(stop.stop->name);
    listed = chosenStops(std::move(listed), chosen, report.chosenFound);
    if (!chosen.empty() && report.chosenFound.empty()) return report;
    Playable playable;
    if (!playableStops(*source, *model, std::move(listed), playable, report, error)) return std::nullopt;
    if (playable.stops.empty()) {
        error = model->fileName + (playable.silencedByLevels
                                       ? ": nothing sounds: " + joined(report.leftOut, "; ")
                                       : ": no stop its manuals list sounds on two keys or more; nothing to import");
        return std::nullopt;
    }
    if (playable.stops.size() > static_cast<std::size_t>(maxStops)) {
        error = model->fileName + ": " + std::to_string(playable.stops.size()) + " keyboard stops, more than the " +
                std::to_string(maxStops) + " the organ holds; choose some with --stop NAME";
        return std::nullopt;
    }
    if (chosen.empty()) report.leftOut.insert(report.leftOut.end(), model->unplayed.begin(), model->unplayed.end());
    report.stopCount = static_cast<int>(playable.stops.size());
    addToPlan(playable.stops, plan, report);
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
