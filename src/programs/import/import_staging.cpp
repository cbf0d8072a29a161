// Staging and committing an import (see import_staging.h).
#include "programs/import/import_staging.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace organ_import {

namespace {

namespace fs = std::filesystem;

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

void undo(const std::vector<Move>& done)
{
    for (auto step = done.rbegin(); step != done.rend(); ++step) {
        std::error_code failure;
        fs::rename(step->to, step->from, failure);
        if (failure)
            std::fprintf(stderr, "velmara-import: %s could not be moved back to %s (%s)\n", step->to.c_str(),
                         step->from.c_str(), failure.message().c_str());
    }
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

}  // namespace

std::optional<ImportStaging> startStaging(const fs::path& brimwell, std::string& error)
{
    ImportStaging staging;
    staging.brimwell = brimwell;
    std::error_code failure;
    staging.createdBrimwell = fs::create_directory(brimwell, failure);
    std::string pattern = (brimwell / ".velmara-import-XXXXXX").string();
    if (failure || ::mkdtemp(pattern.data()) == nullptr) {
        error = brimwell.string() + ": no staging folder can be made in it (" +
                (failure ? failure.message() : std::string(std::strerror(errno))) + ")";
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
    std::string pattern = definition.string() + ".XXXXXX";
    const int descriptor = ::mkstemp(pattern.data());
    if (descriptor < 0) {
        error = definition.string() + ": no new definition can be written beside it (" + std::strerror(errno) + ")";
        return false;
    }
    staging.definition = definition;
    staging.stagedDefinition = pattern;
    std::error_code failure;
    const fs::file_status old = fs::status(definition, failure);
    const fs::perms permissions = fs::exists(old) ? old.permissions()
                                                  : fs::perms::owner_read | fs::perms::owner_write |
                                                        fs::perms::group_read | fs::perms::others_read;
    const bool written = ::write(descriptor, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
                         ::fchmod(descriptor, static_cast<mode_t>(permissions)) == 0;
    if (::close(descriptor) != 0 || !written) {
        error = staging.stagedDefinition.string() + ": cannot be written (" + std::strerror(errno) + ")";
        return false;
    }
    return true;
}

bool commitStaging(const ImportStaging& staging, std::string& error)
{
    std::vector<Move> done;
    bool madeFolder = false;
    const bool moved = moveStops(staging, done, error) && movePictures(staging, done, madeFolder, error) &&
                       move({staging.stagedDefinition, staging.definition}, done, error);
    std::error_code failure;
    if (!moved) {
        undo(done);
        if (madeFolder) fs::remove(staging.pictureFolder, failure);
        return false;
    }
    if (fs::remove_all(staging.folder, failure); failure)
        std::fprintf(stderr, "velmara-import: the staging folder %s is left behind (%s)\n", staging.folder.c_str(),
                     failure.message().c_str());
    return true;
}

void discardStaging(const ImportStaging& staging)
{
    std::error_code ignored;
    if (!staging.folder.empty()) fs::remove_all(staging.folder, ignored);
    if (!staging.stagedDefinition.empty()) fs::remove(staging.stagedDefinition, ignored);
    if (staging.createdBrimwell) fs::remove(staging.brimwell, ignored);
}

}  // namespace organ_import
