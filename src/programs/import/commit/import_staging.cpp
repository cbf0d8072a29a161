// Staging and committing an import (see import_staging.h).
#include "programs/import/commit/import_staging.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "programs/import/commit/brimwell_lock.h"
#include "programs/import/commit/durable_files.h"
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
    std::ofstream out(file, std::ios::binary);
    out << text;
    out.close();
    return static_cast<bool>(out) && syncToDisk(file);
}

}  // namespace

std::optional<ImportStaging> startStaging(const fs::path& brimwell, std::string& error)
{
    ImportStaging staging;
    staging.brimwell = brimwell;
    std::error_code failure;
    staging.createdBrimwell = fs::create_directory(brimwell, failure);
    staging.lock = failure ? -1 : takeBrimwellLock(brimwell, error);
    if (staging.lock < 0) {
        if (failure) error = brimwell.string() + ": cannot be made (" + failure.message() + ")";
        discardStaging(staging);
        return std::nullopt;
    }
    cleanStaleStaging(brimwell);
    std::string pattern = (brimwell / stagingPrefix).string() + "XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        error = brimwell.string() + ": no staging folder can be made in it (" + std::strerror(errno) + ")";
        discardStaging(staging);
        return std::nullopt;
    }
    staging.folder = pattern;
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
    std::string pattern = staging.definition.string() + ".XXXXXX";
    const int descriptor = ::mkstemp(pattern.data());
    if (descriptor < 0) {
        error =
            staging.definition.string() + ": no new definition can be written beside it (" + std::strerror(errno) + ")";
        return false;
    }
    staging.stagedDefinition = pattern;
    std::error_code failure;
    const fs::file_status old = fs::status(staging.definition, failure);
    const fs::perms permissions = fs::exists(old) ? old.permissions()
                                                  : fs::perms::owner_read | fs::perms::owner_write |
                                                        fs::perms::group_read | fs::perms::others_read;
    const bool written = ::write(descriptor, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
                         ::fchmod(descriptor, static_cast<mode_t>(permissions)) == 0 && ::fsync(descriptor) == 0;
    if (::close(descriptor) != 0 || !written ||
        !writeRecord(staging.folder / stagedDefinitionRecord, staging.stagedDefinition.string())) {
        error = staging.stagedDefinition.string() + ": cannot be written (" + std::strerror(errno) + ")";
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
    releaseBrimwellLock(staging.brimwell, staging.lock);
    staging.lock = -1;
    if (staging.createdBrimwell) fs::remove(staging.brimwell, ignored);
}

void endStaging(ImportStaging& staging)
{
    releaseBrimwellLock(staging.brimwell, staging.lock);
    staging.lock = -1;
}

}  // namespace organ_import
