// The course of an import (see import_run.h): plan the stops, make them,
// choose the level, stage, commit.
#include "programs/import/import_run.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "bank/organ_bank.h"
#include "platform/files.h"
#include "programs/import/chord_level.h"
#include "programs/import/definition_edit.h"
#include "programs/import/import_staging.h"
#include "programs/import/progress_bar.h"
#include "programs/import/stop_name.h"
#include "programs/import/stop_render.h"
#include "stops/stop_knob.h"

namespace organ_import {

namespace {

namespace fs = std::filesystem;

struct PlannedStop {
    fs::path source;
    std::string folder;          // the stop's name in the host's encoding
    std::string definitionName;  // its Windows-1252 bytes
    fs::path existing;           // the folder it replaces, or empty
    StopSources sources;
    RenderedStop rendered;
};

int refuse(const std::string& message)
{
    finishProgress();
    std::fprintf(stderr, "velmara-import: %s\n", message.c_str());
    return statusRefused;
}

// The path as the organ would find it, matching letter case loosely.
fs::path asTheOrganFinds(const fs::path& path) { return platform::hostPath(path.string()); }

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

std::string stopNameOf(const ImportOptions& options, const fs::path& source)
{
    if (!options.name.empty()) return options.name;
    fs::path folder = absoluteNormal(source);
    if (folder.filename().empty()) folder = folder.parent_path();
    return folder.filename().string();
}

bool isWithin(const fs::path& inner, const fs::path& outer)
{
    std::error_code ignored;
    const fs::path a = fs::weakly_canonical(inner, ignored), b = fs::weakly_canonical(outer, ignored);
    return std::mismatch(b.begin(), b.end(), a.begin(), a.end()).first == b.end();
}

// The stop's name, whether it may replace a folder, and its recordings.
bool planStop(const ImportOptions& options, const fs::path& source, std::vector<PlannedStop>& plan, std::string& error)
{
    PlannedStop stop{source, stopNameOf(options, source), {}, {}, {}, {}};
    std::string reason;
    const std::optional<std::string> name = definitionName(stop.folder, reason);
    if (!name)
        error = "the stop name \"" + stop.folder + "\" cannot be used: " + reason;
    else if (std::any_of(plan.begin(), plan.end(), [&](const PlannedStop& p) { return p.definitionName == *name; }))
        error = "the stop \"" + stop.folder + "\" is given twice";
    if (!error.empty()) return false;
    stop.definitionName = *name;
    const fs::path existing = asTheOrganFinds(options.into / stop.folder);
    if (isThere(existing) && !options.replace)
        error = existing.string() + ": the stop exists; --replace replaces it";
    else if (isThere(existing) && isWithin(source, existing))
        error = source.string() + ": the recordings are inside the stop folder they would replace";
    if (!error.empty()) return false;
    if (isThere(existing)) stop.existing = existing;
    std::optional<StopSources> sources = findStopSources(source, error);
    if (!sources) return false;
    for (const fs::path& file : sources->unplaced) warn(file.string() + ": its name gives no note; left out");
    stop.sources = std::move(*sources);
    plan.push_back(std::move(stop));
    return true;
}

// Whether BRIMWELL_DIR is a folder or can be made, and the definition's
// folder is there (or is BRIMWELL_DIR).
bool checkTarget(const ImportOptions& options, std::string& error)
{
    const fs::path into = absoluteNormal(options.into);
    const fs::path organFolder = absoluteNormal(options.organ).parent_path();
    std::error_code ignored;
    if (fs::exists(into, ignored) && !fs::is_directory(into, ignored))
        error = options.into.string() + ": not a folder";
    else if (!fs::is_directory(into.parent_path(), ignored))
        error = options.into.string() + ": the folder it would be made in does not exist";
    else if (!fs::is_directory(organFolder, ignored) && organFolder != into)
        error = options.organ.string() + ": its folder does not exist";
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
        error = path.string() + ": the organ definition cannot be read";
        return std::nullopt;
    }
    return text;
}

std::string shiftReport(const PlannedStop& stop)
{
    const RenderedStop& rendered = stop.rendered;
    if (rendered.farthestShift == 0) return "every key recorded";
    const SourceFile& source =
        stop.sources.recordings[static_cast<std::size_t>(stop.sources.sourceOfKey[rendered.farthestKey])];
    char text[160];
    std::snprintf(text, sizeof text, "farthest shift %+d semitones (%s from %s)", rendered.farthestShift,
                  sampleFileName(rendered.farthestKey).c_str(), source.path.filename().c_str());
    return text;
}

bool renderStops(std::vector<PlannedStop>& plan, std::string& error)
{
    int filesToDo = 0;
    for (const PlannedStop& stop : plan) filesToDo += recordingsServingKeys(stop.sources) + keyCount;
    startProgress(filesToDo);
    for (PlannedStop& stop : plan) {
        std::optional<RenderedStop> rendered = renderStop(stop.sources, error);
        if (!rendered) return false;
        stop.rendered = std::move(*rendered);
    }
    finishProgress();
    for (const PlannedStop& stop : plan)
        std::printf("%s: %zu recordings, %s\n", stop.folder.c_str(), stop.sources.recordings.size(),
                    shiftReport(stop).c_str());
    return true;
}

// The gain of the run: --gain, or the one that keeps the loudest stop's
// eight-note chord within 16 bits.
double chooseGain(const ImportOptions& options, const std::vector<PlannedStop>& plan)
{
    const auto loudest = std::max_element(plan.begin(), plan.end(), [](const PlannedStop& a, const PlannedStop& b) {
        return a.rendered.peak < b.rendered.peak;
    });
    const float peak = loudest->rendered.peak;
    const double gain = options.gainDecibels ? std::pow(10.0, *options.gainDecibels / 20.0) : chordSafeGain(peak);
    std::printf("Gain %+.1f dB%s\n", 20.0 * std::log10(gain),
                options.gainDecibels ? " (--gain)"
                                     : (", eight notes of " + loudest->folder + " stay within 16 bits").c_str());
    if (!chordFits(peak, gain))
        warn("at this gain eight notes of " + loudest->folder + " can pass the 16-bit limit; " +
             std::to_string(std::lround(std::floor(20.0 * std::log10(chordSafeGain(peak))))) +
             " dB or less keeps them within it");
    return gain;
}

bool stageStops(ImportStaging& staging, const std::vector<PlannedStop>& plan, double gain, std::string& error)
{
    std::size_t clipped = 0;
    for (const PlannedStop& stop : plan) {
        const fs::path folder = stagedStop(staging, stop.folder);
        std::error_code failure;
        fs::create_directory(folder, failure);
        for (int key = 0; key < keyCount && !failure; ++key) {
            const fs::path file = folder / sampleFileName(key);
            if (!writeWaveFile(file,
                               organSamples(stop.rendered.keys[static_cast<std::size_t>(key)].frames, gain, clipped))) {
                error = file.string() + ": cannot be written";
                return false;
            }
        }
        if (failure) {
            error = folder.string() + ": cannot be made (" + failure.message() + ")";
            return false;
        }
        staging.stops.push_back({stop.folder, stop.existing});
    }
    if (clipped > 0) warn(std::to_string(clipped) + " samples were held at the 16-bit limit: the gain is too high");
    return true;
}

bool stagePictures(ImportStaging& staging, const fs::path& brimwell, std::string& error)
{
    staging.pictureFolder = asTheOrganFinds(brimwell / "boutons");
    for (const auto& [picture, drawn] : {std::pair{"on.bmp", true}, std::pair{"of.bmp", false}}) {
        if (isThere(asTheOrganFinds(brimwell / "boutons" / picture))) continue;
        if (!writeStopKnobFile(stagedPictures(staging) / picture, drawn)) {
            error = (stagedPictures(staging) / picture).string() + ": cannot be written";
            return false;
        }
        staging.pictures.emplace_back(picture);
    }
    return true;
}

bool stageAndCommit(const ImportOptions& options, const std::vector<PlannedStop>& plan, const std::string& definition,
                    std::string& error)
{
    const double gain = chooseGain(options, plan);
    std::optional<ImportStaging> staging = startStaging(options.into, error);
    if (!staging) return false;
    const bool done = stageStops(*staging, plan, gain, error) && stagePictures(*staging, options.into, error) &&
                      stageDefinition(*staging, options.organ, definition, error) && commitStaging(*staging, error);
    if (!done) discardStaging(*staging);
    return done;
}

}  // namespace

int runImport(const ImportOptions& options)
{
    std::string error;
    if (!checkTarget(options, error)) return refuse(error);
    std::vector<PlannedStop> plan;
    for (const fs::path& source : options.sources)
        if (!planStop(options, source, plan, error)) return refuse(error);
    const std::optional<std::string> existing = readDefinition(options.organ, error);
    if (!existing) return refuse(error);
    std::vector<std::string> names;
    names.reserve(plan.size());
    for (const PlannedStop& stop : plan) names.push_back(stop.definitionName);
    const DefinitionEdit edit = definitionWithStops(*existing, names);
    if (edit.stopCount > maxStops)
        return refuse(options.organ.string() + ": it would list " + std::to_string(edit.stopCount) +
                      " stops; the organ loads at most " + std::to_string(maxStops));
    if (!renderStops(plan, error) || !stageAndCommit(options, plan, edit.text, error)) return refuse(error);
    std::printf("%zu stop(s) written into %s; the organ definition is %s\n", plan.size(), options.into.c_str(),
                options.organ.c_str());
    return 0;
}

}  // namespace organ_import
