// Staging and committing an import (see import_staging.h).
#include "programs/import/commit/import_staging.h"

#include <cstdio>

#include "platform/random_name.h"
#include "programs/import/commit/brimwell_lock.h"
#include "programs/import/commit/stale_staging.h"
#include "programs/import/progress_bar.h"
#include "programs/import/utf8_path.h"

namespace organ_import {

namespace {

namespace fs = std::filesystem;

constexpr int linkHops = 40;

bool makeFolders(const ImportStaging& staging, std::string& error)
{
    for (const char* sub : {"new", "old", "boutons", "render"}) {
        std::error_code failure;
        if (fs::create_directory(staging.folder / sub, failure); failure) {
            error = utf8Of(staging.folder / sub) + ": cannot be made (" + failure.message() + ")";
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

bool move(const fs::path& from, const fs::path& to, std::string& error)
{
    std::string reason;
    if (platform::moveReplacing(utf8Of(from), utf8Of(to), reason)) return true;
    error = "moving " + reason;
    return false;
}

CommitJournal journalOf(const ImportStaging& staging)
{
    CommitJournal journal{staging.definition,      staging.stagedDefinition, {}, {},
                          staging.pictureFolderIs, staging.pictures};
    for (const StagedStop& stop : staging.stops)
        journal.stops.push_back(
            {stop.folder, utf8Of(stop.existing.filename()), stopIdentity(stagedStop(staging, stop.folder))});
    if (!staging.pictures.empty()) journal.pictureFolder = utf8Of(staging.pictureFolder.filename());
    return journal;
}

// A replaced stop's folder exchanged with the new one in one step; where the
// host cannot, moved aside and the new one moved in.
bool replaceStop(const ImportStaging& staging, const JournalStop& stop, std::string& error)
{
    const fs::path staged = stagedStop(staging, stop.folder), live = staging.brimwell / pathFromUtf8(stop.folder);
    if (stop.replaces == stop.folder) {
        std::string reason;
        const platform::Exchange exchange = platform::exchangeFolders(utf8Of(staged), utf8Of(live), reason);
        if (exchange == platform::Exchange::exchanged) return true;
        if (exchange == platform::Exchange::failed) {
            error = "exchanging " + reason;
            return false;
        }
    }
    return move(staging.brimwell / pathFromUtf8(stop.replaces), movedAside(staging.folder, stop), error) &&
           move(staged, live, error);
}

bool moveStops(const ImportStaging& staging, const CommitJournal& journal, std::string& error)
{
    for (const JournalStop& stop : journal.stops) {
        const bool moved = stop.replaces.empty() ? move(stagedStop(staging, stop.folder),
                                                        staging.brimwell / pathFromUtf8(stop.folder), error)
                                                 : replaceStop(staging, stop, error);
        if (!moved) return false;
    }
    return true;
}

bool movePictures(const ImportStaging& staging, std::string& error)
{
    if (staging.pictures.empty()) return true;
    if (staging.pictureFolderIs == PictureFolder::linkReplaced &&
        !move(staging.pictureFolder, pictureLinkAside(staging.folder), error))
        return false;
    std::error_code failure;
    if (staging.pictureFolderIs != PictureFolder::there &&
        (fs::create_directory(staging.pictureFolder, failure), failure)) {
        error = utf8Of(staging.pictureFolder) + ": cannot be made (" + failure.message() + ")";
        return false;
    }
    for (const std::string& picture : staging.pictures)
        if (!move(stagedPictures(staging) / picture, staging.pictureFolder / picture, error)) return false;
    return platform::flushFolder(utf8Of(staging.pictureFolder), error);
}

// After an undo that failed: the staging folder kept with its journal where
// the user sees it, and error naming where each replaced stop now is.
void keepWhatIsStuck(ImportStaging& staging, const CommitJournal& journal, const std::vector<std::string>& stuck,
                     std::string& error)
{
    for (const std::string& line : stuck) warn(line + " (cannot be put back)");
    std::error_code ignored;
    fs::remove_all(renderStore(staging), ignored);
    staging.keptOld = keepAside(staging.folder);
    error += "; not everything could be put back (the next velmara-import run puts it back)";
    for (const JournalStop& stop : journal.stops) {
        if (stop.replaces.empty()) continue;
        const bool aside = platform::entryAt(utf8Of(movedAside(staging.keptOld, stop))) != platform::Entry::missing;
        const bool exchanged = stopIdentity(staging.brimwell / pathFromUtf8(stop.folder)) == stop.staged;
        if (aside || exchanged)
            error +=
                "; the stop " + stop.replaces + " is kept in " +
                utf8Of(aside ? movedAside(staging.keptOld, stop) : staging.keptOld / "new" / pathFromUtf8(stop.folder));
    }
}

void finishCommit(const ImportStaging& staging)
{
    std::string error;
    if (!platform::flushFolder(utf8Of(staging.definition.parent_path()), error))
        warn("the stops are in place, but " + error + " (the definition's folder cannot be flushed to the disk)");
    if (!removeStagingFolder(staging.folder, error))
        warn("the stops are in place; the staging folder " + error + " is left behind (the next run removes it)");
}

}  // namespace

std::optional<ImportStaging> startStaging(const fs::path& brimwell, std::string& error)
{
    ImportStaging staging;
    staging.brimwell = brimwell;
    std::error_code failure;
    staging.createdBrimwell = fs::create_directory(brimwell, failure);
    staging.lock = failure ? nullptr : takeBrimwellLock(brimwell, error);
    if (failure) error = utf8Of(brimwell) + ": cannot be made (" + failure.message() + ")";
    if (staging.lock == nullptr || !recoverUnfinishedImports(brimwell, error)) {
        discardStaging(staging);
        return std::nullopt;
    }
    std::string reason;
    staging.folder = pathFromUtf8(platform::makePrivateFolder(utf8Of(brimwell), stagingPrefix, reason));
    if (staging.folder.empty()) {
        error = utf8Of(brimwell) + ": no staging folder can be made in it (" + reason + ")";
        discardStaging(staging);
        return std::nullopt;
    }
    if (!makeFolders(staging, error)) {
        discardStaging(staging);
        return std::nullopt;
    }
    return staging;
}

fs::path stagedStop(const ImportStaging& staging, const std::string& folder)
{
    return staging.folder / "new" / pathFromUtf8(folder);
}

fs::path stagedPictures(const ImportStaging& staging) { return staging.folder / "boutons"; }

fs::path renderStore(const ImportStaging& staging) { return staging.folder / "render"; }

bool stageDefinition(ImportStaging& staging, const fs::path& definition, const std::string& text, std::string& error)
{
    staging.definition = linkTarget(definition);
    const fs::path staged = pathFromUtf8(utf8Of(staging.definition) + "." + platform::randomLetters());
    std::string reason;
    if (!platform::writeNewFileDurably(utf8Of(staging.folder / stagedDefinitionRecord), utf8Of(staged), {}, reason) ||
        !platform::flushFolder(utf8Of(staging.folder), reason)) {
        error = reason + " (the staging folder cannot record the new definition)";
        return false;
    }
    staging.stagedDefinition = staged;
    if (!platform::writeNewFileDurably(utf8Of(staged), text, utf8Of(staging.definition), reason)) {
        error = reason + " (the new definition cannot be written)";
        return false;
    }
    return true;
}

bool commitStaging(ImportStaging& staging, std::string& error)
{
    const CommitJournal journal = journalOf(staging);
    if (!writeJournal(staging.folder, journal, error)) {
        error += " (the journal of the commit cannot be written)";
        return false;
    }
    const bool committed = moveStops(staging, journal, error) && movePictures(staging, error) &&
                           platform::flushFolder(utf8Of(staging.brimwell), error) &&
                           move(staging.stagedDefinition, staging.definition, error);
    if (committed) {
        finishCommit(staging);
        return true;
    }
    const std::vector<std::string> stuck = undoMoves(staging.brimwell, staging.folder, journal);
    if (stuck.empty())
        error += "; " + utf8Of(staging.brimwell) + " is as it was";
    else
        keepWhatIsStuck(staging, journal, stuck, error);
    return false;
}

void discardStaging(ImportStaging& staging)
{
    std::error_code ignored;
    if (staging.keptOld.empty() && !staging.folder.empty()) {
        fs::remove(staging.folder / journalName, ignored);  // first: a kill from here on leaves nothing to undo
        if (!staging.stagedDefinition.empty()) fs::remove(staging.stagedDefinition, ignored);
        fs::remove_all(staging.folder, ignored);
    }
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
