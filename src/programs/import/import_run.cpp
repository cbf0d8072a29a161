// The course of an import (see import_run.h): plan the stops, check where
// they go, render them, choose the level, stage, commit.
#include "programs/import/import_run.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "bank/organ_bank.h"
#include "platform/ascii_case.h"
#include "platform/durable_files.h"
#include "platform/files.h"
#include "platform/windows1252.h"
#include "programs/import/commit/definition_edit.h"
#include "programs/import/commit/import_staging.h"
#include "programs/import/commit/stop_row.h"
#include "programs/import/progress_bar.h"
#include "programs/import/render/chord_level.h"
#include "programs/import/render/plan_render.h"
#include "programs/import/render/stop_files.h"
#include "programs/import/sources/folder_plan.h"
#include "programs/import/sources/organ_names.h"
#include "programs/import/sources/organ_planner.h"
#include "programs/import/sources/registration_plan.h"
#include "programs/import/sources/stop_name.h"
#include "programs/import/stop_origin.h"
#include "programs/import/utf8_path.h"
#include "stops/stop_knob.h"

namespace organ_import {

namespace {

namespace fs = std::filesystem;

int refuse(const std::string& message)
{
    finishProgress();
    std::fprintf(stderr, "velmara-import: %s\n", message.c_str());
    return statusRefused;
}

// The path as the organ would find it: the definition's bytes or their
// UTF-8, letter case matched loosely.
fs::path asTheOrganFinds(const fs::path& path) { return pathFromUtf8(platform::hostPath(utf8Of(path))); }

bool isThere(const fs::path& path)
{
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
}

fs::path absoluteNormal(const fs::path& path)
{
    std::error_code ignored;
    return fs::absolute(path, ignored).lexically_normal();
}

// The folder of recordings, absolute, without a trailing separator.
fs::path recordingsFolder(const fs::path& source)
{
    const fs::path folder = absoluteNormal(source);
    return folder.filename().empty() ? folder.parent_path() : folder;
}

std::string stopNameOf(const ImportOptions& options, const fs::path& source)
{
    return options.name.empty() ? utf8Of(recordingsFolder(source).filename()) : options.name;
}

// The suffix a name the source gives takes beside another source's stop
// (Windows-1252 bytes): the initials of the words of the organ's name or of
// the folder holding the recordings, or its one word, cut to a few bytes.
std::string namesakeSuffixFrom(const std::string& utf8)
{
    constexpr std::size_t longestSuffix = 8;
    const std::string suffix = stopNameFrom(manualSuffix(utf8)).substr(0, longestSuffix);
    return stopNameFrom(platform::windows1252ToUtf8(suffix));
}

// Where the organ's stops, planned from the stop `first` on, come from.
void markOrganStops(ImportPlan& plan, std::size_t first, const std::string& definitionFileName)
{
    const std::string suffix = namesakeSuffixFrom(utf8Of(pathFromUtf8(definitionFileName).stem()));
    for (std::size_t s = first; s < plan.stops.size(); ++s) {
        plan.stops[s].source = organStopOrigin(definitionFileName, plan.stops[s].folder);
        plan.stops[s].namesakeSuffix = suffix;
    }
}

bool isWithin(const fs::path& inner, const fs::path& outer)
{
    std::error_code ignored;
    const fs::path a = fs::weakly_canonical(inner, ignored), b = fs::weakly_canonical(outer, ignored);
    return std::mismatch(b.begin(), b.end(), a.begin(), a.end()).first == b.end();
}

// A stop named for the organ: the folder's name and the definition's bytes.
std::optional<StopPlan> namedStop(const std::string& utf8, std::string& error)
{
    std::string reason;
    const std::optional<std::string> bytes = definitionName(utf8, reason);
    if (!bytes) {
        error = "the stop name \"" + utf8 + "\" cannot be used: " + reason;
        return std::nullopt;
    }
    StopPlan stop;
    stop.folder = utf8;
    stop.definitionName = *bytes;
    return stop;
}

bool isFolder(const fs::path& path)
{
    std::error_code ignored;
    return fs::is_directory(path, ignored);
}

// A folder becomes one stop, anything else is read as an organ, whose
// report is added to organs.
bool planSource(const ImportOptions& options, const fs::path& source, ImportPlan& plan,
                std::vector<OrganReport>& organs, std::string& error)
{
    if (isFolder(source)) {
        std::optional<StopPlan> stop = namedStop(stopNameOf(options, source), error);
        if (!stop) return false;
        stop->source = folderStopOrigin(recordingsFolder(source));
        if (options.name.empty())
            stop->namesakeSuffix = namesakeSuffixFrom(utf8Of(recordingsFolder(source).parent_path().filename()));
        return planFolder(source, std::move(*stop), plan, error);
    }
    if (!options.name.empty()) {
        error = utf8Of(source) + ": --name names the stop of one folder, not an organ's stops";
        return false;
    }
    const std::size_t first = plan.stops.size();
    std::optional<OrganReport> report = planOrgan(source, options.stops, plan, error);
    if (!report) return false;
    markOrganStops(plan, first, report->definitionFileName);
    organs.push_back(std::move(*report));
    return true;
}

// Why a --stop name is refused when no organ of the run has such a stop.
std::string noSuchStop(const std::string& name, const std::vector<OrganReport>& organs)
{
    std::string error = "no stop is called \"" + name + "\"";
    if (organs.size() == 1) {
        error = organs.front().definition + ": " + error + "; its stops are";
        for (const std::string& stop : organs.front().stopNames) error += " \"" + stop + "\"";
        return error;
    }
    error += " in any of the organs";
    for (const OrganReport& organ : organs) error += (&organ == &organs.front() ? " " : ", ") + organ.definition;
    return error;
}

// The options with the definition resolved: --organ, else one named after
// the first organ of the run that brings stops, else Imported.org, in
// BRIMWELL_DIR. Each --stop name chooses the stops of the organs that have
// it; a name no organ has is refused.
std::optional<ImportOptions> plannedOptions(const ImportOptions& options, ImportPlan& plan, std::string& error)
{
    std::vector<OrganReport> organs;
    for (const fs::path& source : options.sources)
        if (!planSource(options, source, plan, organs, error)) return std::nullopt;
    if (!options.stops.empty() && organs.empty()) {
        error = "--stop chooses stops of an organ (.organ, .orgue); no SOURCE is one";
        return std::nullopt;
    }
    for (const std::string& name : options.stops) {
        if (std::none_of(organs.begin(), organs.end(), [&](const OrganReport& organ) {
                return std::find(organ.chosenFound.begin(), organ.chosenFound.end(), name) != organ.chosenFound.end();
            })) {
            error = noSuchStop(name, organs);
            return std::nullopt;
        }
    }
    ImportOptions planned = options;
    for (const OrganReport& organ : organs) {
        if (organ.stopCount == 0) continue;
        printOrganReport(organ);
        if (planned.organ.empty()) planned.organ = options.into / pathFromUtf8(organ.definitionFileName);
    }
    if (planned.organ.empty()) planned.organ = options.into / "Imported.org";
    return planned;
}

// Whether BRIMWELL_DIR holds, under the name as the organ finds it, a stop
// that another source made (or one without a record of its source).
bool isAnotherSourcesStop(const fs::path& into, const std::string& name, const std::string& source)
{
    const fs::path existing = asTheOrganFinds(into / pathFromWindows1252(name));
    return isThere(existing) && stopOriginIn(existing) != source;
}

bool isNameInRun(const ImportPlan& plan, const std::string& name)
{
    return std::any_of(plan.stops.begin(), plan.stops.end(),
                       [&](const StopPlan& stop) { return platform::equalIgnoringCase(stop.definitionName, name); });
}

// The name cut so that the tail still fits after it, without spaces or dots
// at the cut.
std::string nameWithTail(const std::string& name, const std::string& tail)
{
    constexpr std::size_t longestName = stopNameCapacity - 1;
    std::string kept = name.substr(0, longestName - std::min(longestName, tail.size()));
    while (!kept.empty() && (kept.back() == ' ' || kept.back() == '.')) kept.pop_back();
    return kept + tail;
}

// Gives each stop whose name another source's stop in BRIMWELL_DIR holds a
// name of its own: its name and its source's suffix, then a number while
// that is taken too. The stops the user named keep their names (and are
// refused later). "Old -> New" for each renamed stop.
std::vector<std::string> nameApartFromOtherSources(const fs::path& into, ImportPlan& plan)
{
    std::vector<std::string> renamed;
    for (StopPlan& stop : plan.stops) {
        if (stop.namesakeSuffix.empty() || !isAnotherSourcesStop(into, stop.definitionName, stop.source)) continue;
        std::string name = nameWithTail(stop.definitionName, " " + stop.namesakeSuffix);
        for (int number = 2; isAnotherSourcesStop(into, name, stop.source) || isNameInRun(plan, name); ++number)
            name = nameWithTail(stop.definitionName, " " + stop.namesakeSuffix + " " + std::to_string(number));
        const std::string folder = platform::windows1252ToUtf8(name);
        renamed.push_back(stop.folder + " -> " + folder);
        stop.folder = folder;
        stop.definitionName = name;
    }
    return renamed;
}

// The folder each stop replaces, or an empty path. Refused when a name is
// given twice (in any letter case: the organ finds one folder for both),
// another source's stop has it, a stop of the same source exists without
// --replace, or a recording lies inside a folder the run replaces.
std::optional<std::vector<fs::path>> replacedFolders(const ImportOptions& options, const ImportPlan& plan,
                                                     std::string& error)
{
    std::vector<fs::path> replaced;
    for (const StopPlan& stop : plan.stops) {
        const fs::path existing = asTheOrganFinds(options.into / pathFromWindows1252(stop.definitionName));
        const auto twin = std::find_if(plan.stops.data(), &stop, [&](const StopPlan& p) {
            return platform::equalIgnoringCase(p.definitionName, stop.definitionName);
        });
        if (twin != &stop)
            error =
                "the stop \"" + stop.folder + "\" is given twice" +
                (twin->folder == stop.folder ? "" : " (as \"" + twin->folder + "\": the organ ignores letter case)");
        else if (isAnotherSourcesStop(options.into, stop.definitionName, stop.source))
            error = utf8Of(existing) + ": made from " + describedOrigin(stopOriginIn(existing)) +
                    "; --replace replaces only a stop made from the same source: give \"" + stop.folder +
                    "\" another name";
        else if (isThere(existing) && !options.replace)
            error = utf8Of(existing) + ": the stop exists; --replace replaces it";
        if (!error.empty()) return std::nullopt;
        replaced.push_back(isThere(existing) ? existing : fs::path());
    }
    for (const RecordingLocation& recording : plan.recordings) {
        const auto holder = std::find_if(replaced.begin(), replaced.end(), [&](const fs::path& folder) {
            return !folder.empty() && isWithin(recording.file, folder);
        });
        if (holder != replaced.end()) {
            error = utf8Of(recording.file) + ": the recording is inside the stop folder it would replace";
            return std::nullopt;
        }
    }
    return replaced;
}

// Whether BRIMWELL_DIR is a folder or can be made, and the definition's
// folder is there (or is BRIMWELL_DIR).
bool checkTarget(const ImportOptions& options, std::string& error)
{
    const fs::path into = absoluteNormal(options.into);
    const fs::path organFolder = absoluteNormal(options.organ).parent_path();
    std::error_code ignored;
    if (fs::exists(into, ignored) && !fs::is_directory(into, ignored))
        error = utf8Of(options.into) + ": not a folder";
    else if (!fs::is_directory(into.parent_path(), ignored))
        error = utf8Of(options.into) + ": the folder it would be made in does not exist";
    else if (!fs::is_directory(organFolder, ignored) && organFolder != into)
        error = utf8Of(options.organ) + ": its folder does not exist";
    return error.empty();
}

// The definition's text, empty when there is none yet.
std::optional<std::string> readDefinition(const fs::path& path, std::string& error)
{
    std::error_code failure;
    if (!fs::exists(path, failure)) return std::string();
    const std::uintmax_t size = fs::file_size(path, failure);
    std::string text(failure ? 0 : size, '\0');
    std::ifstream file(path, std::ios::binary);
    if (failure || !file.read(text.data(), static_cast<std::streamsize>(text.size()))) {
        error = utf8Of(path) + ": the organ definition cannot be read";
        return std::nullopt;
    }
    return text;
}

// The gain of the run: --gain, or the one that keeps every chord of the
// loudest stop within 16 bits. Stops that hold sound at the organ's level
// get their own factor instead.
double chooseGain(const ImportOptions& options, const ImportPlan& plan, const std::vector<RenderedStop>& rendered,
                  std::string& report)
{
    std::size_t loudest = rendered.size();
    for (std::size_t s = 0; s < rendered.size(); ++s)
        if (!rendered[s].hasFixed && (loudest == rendered.size() || rendered[s].peak > rendered[loudest].peak))
            loudest = s;
    if (loudest == rendered.size()) return 1.0;
    const float peak = rendered[loudest].peak;
    const std::string& name = plan.stops[loudest].folder;
    const double gain = options.gainDecibels ? std::pow(10.0, *options.gainDecibels / 20.0) : chordSafeGain(peak);
    char line[200];
    std::snprintf(line, sizeof line, "Gain %+.1f dB%s\n", 20.0 * std::log10(gain),
                  options.gainDecibels
                      ? " (--gain)"
                      : (", every chord of up to eight notes of " + name + " stays within 16 bits").c_str());
    report += line;
    if (!chordFits(peak, gain))
        warn("at this gain a chord of " + name + " can pass the 16-bit limit; " +
             std::to_string(std::lround(std::floor(20.0 * std::log10(chordSafeGain(peak))))) +
             " dB or less keeps every chord within it");
    return gain;
}

// Renders the plan, chooses the gain and writes every stop's files into the
// staging folder; the summary goes into report.
bool renderAndStage(const ImportOptions& options, const ImportPlan& plan, const std::vector<fs::path>& replaced,
                    ImportStaging& staging, std::string& report, std::string& error)
{
    startProgress(renderSteps(plan) + keyCount * static_cast<int>(plan.stops.size()));
    const fs::path store = renderStore(staging);
    const std::optional<std::vector<RenderedStop>> rendered = renderPlan(plan, store, error);
    if (!rendered) return false;
    for (const StopPlan& stop : plan.stops) report += stop.folder + ": " + stop.origin + "\n";
    const double gain = chooseGain(options, plan, *rendered, report);
    std::size_t clipped = 0;
    for (std::size_t s = 0; s < plan.stops.size(); ++s) {
        const StopPlan& stop = plan.stops[s];
        const fs::path stored = storedStop(store, static_cast<int>(s));
        double factor = 1.0;
        if (!writeStopFiles(stored, (*rendered)[s], gain, stagedStop(staging, stop.folder), factor, clipped, error) ||
            !writeStopOrigin(stagedStop(staging, stop.folder), stop.source, error))
            return false;
        std::error_code ignored;
        fs::remove(stored, ignored);  // its disk space is free again before the next stop is written
        if (factor != 1.0) {
            char line[200];
            std::snprintf(line, sizeof line, "%s: %+.1f dB of its own keeps every chord within 16 bits\n",
                          stop.folder.c_str(), 20.0 * std::log10(factor));
            report += line;
        }
        staging.stops.push_back({stop.folder, replaced[s]});
    }
    finishProgress();
    if (clipped > 0) warn(std::to_string(clipped) + " samples were held at the 16-bit limit: the gain is too high");
    return true;
}

// The pictures BRIMWELL_DIR lacks, staged. A dangling link where their
// folder belongs (a demo organ's link whose package is gone) is replaced by
// a folder of BRIMWELL_DIR's own: nothing can be written where it leads.
bool stagePictures(ImportStaging& staging, const fs::path& brimwell, std::string& error)
{
    staging.pictureFolder = asTheOrganFinds(brimwell / "boutons");
    const platform::Entry folder = platform::entryAt(utf8Of(staging.pictureFolder));
    const bool usable = folder == platform::Entry::folder || folder == platform::Entry::link;
    staging.pictureFolderIs = usable                                    ? PictureFolder::there
                              : folder == platform::Entry::danglingLink ? PictureFolder::linkReplaced
                                                                        : PictureFolder::made;
    for (const auto& [picture, drawn] : {std::pair{"on.bmp", true}, std::pair{"of.bmp", false}}) {
        if (usable && isThere(asTheOrganFinds(brimwell / "boutons" / picture))) continue;
        const fs::path staged = stagedPictures(staging) / picture;
        if (!writeStopKnobFile(staged, drawn)) {
            error = utf8Of(staged) + ": cannot be written";
            return false;
        }
        if (!platform::flushFile(utf8Of(staged), error)) return false;
        staging.pictures.emplace_back(picture);
    }
    return true;
}

// The run's exit status once the plan is checked and the lock held: 0 when
// every stop is in place, else the error is printed.
int stageAndCommit(const ImportOptions& options, const ImportPlan& plan, const std::vector<fs::path>& replaced,
                   const std::string& definition, ImportStaging& staging)
{
    std::string error, report;
    const bool done = renderAndStage(options, plan, replaced, staging, report, error) &&
                      stagePictures(staging, options.into, error) &&
                      stageDefinition(staging, options.organ, definition, error) && commitStaging(staging, error);
    std::fputs(report.c_str(), stdout);
    if (done) {
        endStaging(staging);
        return 0;
    }
    discardStaging(staging);
    const int status = refuse(error);
    return staging.keptOld.empty() ? status : statusIncomplete;
}

// What the run checks in BRIMWELL_DIR once it holds the lock and a killed
// run is finished or undone: the registrations' members, the stops it
// replaces, the definition's new text.
std::optional<DefinitionEdit> checkUnderLock(const ImportOptions& options, ImportPlan& plan,
                                             std::vector<fs::path>& replaced, std::string& error)
{
    if (const std::vector<std::string> renamed = nameApartFromOtherSources(options.into, plan); !renamed.empty()) {
        std::string list;
        for (const std::string& rename : renamed) list += (list.empty() ? "" : "; ") + rename;
        std::printf("Renamed beside another source's stops in BRIMWELL_DIR: %s\n", list.c_str());
    }
    for (const RegistrationOption& registration : options.registrations) {
        std::optional<StopPlan> stop = namedStop(registration.name, error);
        if (stop) stop->source = registrationStopOrigin(registration.name);
        if (!stop || !planRegistration(registration, options.into, std::move(*stop), plan, error)) return std::nullopt;
    }
    std::optional<std::vector<fs::path>> folders = replacedFolders(options, plan, error);
    if (!folders) return std::nullopt;
    replaced = std::move(*folders);
    const std::optional<std::string> existing = readDefinition(options.organ, error);
    if (!existing) return std::nullopt;
    std::vector<std::string> names;
    names.reserve(plan.stops.size());
    for (const StopPlan& stop : plan.stops) names.push_back(stop.definitionName);
    DefinitionEdit edit = definitionWithStops(*existing, names);
    if (edit.stops.size() > static_cast<std::size_t>(maxStops)) {
        error = utf8Of(options.organ) + ": it would list " + std::to_string(edit.stops.size()) +
                " stops; the organ loads at most " + std::to_string(maxStops);
        return std::nullopt;
    }
    return edit;
}

}  // namespace

int runImport(const ImportOptions& given)
{
    std::string error;
    ImportPlan plan;
    const std::optional<ImportOptions> planned = plannedOptions(given, plan, error);
    if (!planned) return refuse(error);
    const ImportOptions& options = *planned;
    if (!checkTarget(options, error)) return refuse(error);
    std::optional<ImportStaging> staging = startStaging(options.into, error);
    if (!staging) return refuse(error);
    std::vector<fs::path> replaced;
    const std::optional<DefinitionEdit> edit = checkUnderLock(options, plan, replaced, error);
    if (!edit) {
        discardStaging(*staging);
        return refuse(error);
    }
    if (const int status = stageAndCommit(options, plan, replaced, edit->text, *staging); status != 0) return status;
    std::printf("%zu stop(s) written into %s; the organ definition is %s\n", plan.stops.size(),
                utf8Of(options.into).c_str(), utf8Of(options.organ).c_str());
    if (const std::string row = stopRowLine(asTheOrganFinds(options.into / "boutons" / "on.bmp"), edit->stops);
        !row.empty())
        std::printf("%s\n", row.c_str());
    return 0;
}

}  // namespace organ_import
