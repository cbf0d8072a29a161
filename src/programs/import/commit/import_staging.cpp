// Staging and committing an import (see import_staging.h).
#include "programs/import/commit/import_staging.h"

#include <cstdio>
#include <random>

#include "platform/durable_files.h"
#include "programs/import/commit/brimwell_lock.h"
#include "programs/import/commit/stale_staging.h"

namespace organ_import {

namespace {

namespace fs = std::filesystem;

constexpr int linkHops = 40;

struct Move {
    fs::path from;
    fs::path to;
};

bool makeFolders(const ImportStaging& staging, std::string& error)
{
    for (const char* sub : {"new", "old", "boutons", "render"}) {
        std::error_code failure;
        if (fs::create_directory(staging.folder / sub, failure); failure) {
            error = (staging.folder / sub).string() + ": cannot be made (" + failure.message() + ")";
            return false;
        }
    }
    return true;
}

// The file a chain of symbolic links ends at (the path itself when it is
// none), even when that file does not exist yet.
fs::path linkTarget(const fs::path& path)
{
    fs::path file = path;
    std::error_code failure;
    for (int hop = 0; hop < linkHops && fs::is_symlink(file, failure); ++hop) {
        const fs::path target = fs::read_symlink(file, failure);
        if (failure) break;
        file = target.is_absolute() ? target : file.parent_path() / target;
    }
    return file;
}

bool move(const Move& step, std::vector<Move>& done, std::string& error)
{
    std::error_code failure;
    fs::rename(step.from, step.to, failure);
    if (failure) {
        error = "moving " + step.from.string() + " to " + step.to.string() + " failed (" + failure.message() + ")";
        return false;
    }
    done.push_back(step);
    return true;
}

// Moves back what was moved, last first; the moves that could not be undone.
std::vector<Move> undo(const std::vector<Move>& done)
{
    std::vector<Move> stuck;
    for (auto step = done.rbegin(); step != done.rend(); ++step) {
        std::error_code failure;
        fs::rename(step->to, step->from, failure);
        if (!failure) continue;
        std::fprintf(stderr, "velmara-import: %s could not be moved back to %s (%s)\n", step->to.c_str(),
                     step->from.c_str(), failure.message().c_str());
        stuck.push_back(*step);
    }
    return stuck;
}

bool moveStops(const ImportStaging& staging, std::vector<Move>& done, std::string& error)
{
    for (const StagedStop& stop : staging.stops) {
        if (!stop.existing.empty() && !move({stop.existing, staging.folder / "old" / stop.folder}, done, error))
            return false;
        if (!move({stagedStop(staging, stop.folder), staging.brimwell / stop.folder}, done, error)) return false;
    }
    return true;
}

bool movePictures(const ImportStaging& staging, std::vector<Move>& done, bool& madeFolder, std::string& error)
{
    if (staging.pictures.empty()) return true;
    std::error_code failure;
    madeFolder = fs::create_directory(staging.pictureFolder, failure);
    if (failure) {
        error = staging.pictureFolder.string() + ": cannot be made (" + failure.message() + ")";
        return false;
    }
    for (const std::string& picture : staging.pictures)
        if (!move({stagedPictures(staging) / picture, staging.pictureFolder / picture}, done, error)) return false;
    return true;
}

// After an undo that failed: the staging folder kept where the user sees
// it, and error naming each replaced stop that is now only there.
void keepWhatIsStuck(ImportStaging& staging, const std::vector<Move>& stuck, std::string& error)
{
    staging.keptOld = keepAside(staging.folder) / "old";
    error += "; not everything could be put back";
    for (const Move& step : stuck)
        if (step.to.parent_path() == staging.folder / "old")
            error += "; the stop " + step.from.filename().string() + " is kept in " +
                     (staging.keptOld / step.to.filename()).string();
}

bool writeRecord(const fs::path& file, const std::string& text)
{
    std::string ignored;
    return platform::writeNewFileDurably(file.string(), text, {}, ignored);
}

bool syncToDisk(const fs::path& folder)
{
    std::string ignored;
    return platform::flushFolder(folder.string(), ignored);
}

// Six letters or digits nobody can guess.
std::string randomLetters()
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device source;
    std::uniform_int_distribution<std::size_t> pick(0, sizeof letters - 2);
    std::string name(6, 'a');
    for (char& letter : name) letter = letters[pick(source)];
    return name;
}

}  // namespace

std::optional<ImportStaging> startStaging(const fs::path& brimwell, std::string& error)
{
    ImportStaging staging;
    staging.brimwell = brimwell;
    std::error_code failure;
    staging.createdBrimwell = fs::create_directory(brimwell, failure);
    staging.lock = failure ? nullptr : takeBrimwellLock(brimwell, error);
    if (staging.lock == nullptr) {
        if (failure) error = brimwell.string() + ": cannot be made (" + failure.message() + ")";
        discardStaging(staging);
        return std::nullopt;
    }
    cleanStaleStaging(brimwell);
    std::string reason;
    staging.folder = platform::makePrivateFolder(brimwell.string(), stagingPrefix, reason);
    if (staging.folder.empty()) {
        error = brimwell.string() + ": no staging folder can be made in it (" + reason + ")";
        discardStaging(staging);
        return std::nullopt;
    }
    if (!makeFolders(staging, error)) {
        discardStaging(staging);
        return std::nullopt;
    }
    return staging;
}

fs::path stagedStop(const ImportStaging& staging, const std::string& folder) { return staging.folder / "new" / folder; }

fs::path stagedPictures(const ImportStaging& staging) { return staging.folder / "boutons"; }

fs::path renderStore(const ImportStaging& staging) { return staging.folder / "render"; }

bool stageDefinition(ImportStaging& staging, const fs::path& definition, const std::string& text, std::string& error)
{
    staging.definition = linkTarget(definition);
    staging.stagedDefinition = staging.definition.string() + "." + randomLetters();
    std::string reason;
    if (!writeRecord(staging.folder / stagedDefinitionRecord, staging.stagedDefinition.string()) ||
        !platform::writeNewFileDurably(staging.stagedDefinition.string(), text, staging.definition.string(), reason)) {
        error = staging.stagedDefinition.string() + ": cannot be written (" + reason + ")";
        return false;
    }
    return true;
}

bool commitStaging(ImportStaging& staging, std::string& error)
{
    std::vector<Move> done;
    bool madeFolder = false;
    const bool moved = moveStops(staging, done, error) && movePictures(staging, done, madeFolder, error) &&
                       move({staging.stagedDefinition, staging.definition}, done, error);
    std::error_code failure;
    if (!moved) {
        const std::vector<Move> stuck = undo(done);
        if (!stuck.empty()) keepWhatIsStuck(staging, stuck, error);
        if (madeFolder && stuck.empty()) fs::remove(staging.pictureFolder, failure);
        return false;
    }
    writeRecord(staging.folder / committedMark, {});
    std::vector<fs::path> changed{staging.brimwell, staging.definition.parent_path()};
    if (!staging.pictures.empty()) changed.push_back(staging.pictureFolder);
    for (const fs::path& folder : changed)
        if (!syncToDisk(folder))
            std::fprintf(stderr, "velmara-import: %s could not be flushed to the disk\n", folder.c_str());
    if (fs::remove_all(staging.folder, failure); failure)
        std::fprintf(stderr, "velmara-import: the staging folder %s is left behind (%s)\n", staging.folder.c_str(),
                     failure.message().c_str());
    return true;
}

void discardStaging(ImportStaging& staging)
{
    std::error_code ignored;
    if (!staging.folder.empty() && staging.keptOld.empty()) fs::remove_all(staging.folder, ignored);
    if (!staging.stagedDefinition.empty()) fs::remove(staging.stagedDefinition, ignored);
    platform::releaseRunLock(staging.lock);
    staging.lock = nullptr;
    if (staging.createdBrimwell) {
        fs::remove(brimwellLockFile(staging.brimwell), ignored);
        fs::remove(staging.brimwell, ignored);
    }
}

void endStaging(ImportStaging& staging)
{
    platform::releaseRunLock(staging.lock);
    staging.lock = nullptr;
}

}  // namespace organ_import
