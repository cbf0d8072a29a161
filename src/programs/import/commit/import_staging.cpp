// Staging and committing an import (see import_staging.h).
#include "programs/import/commit/import_staging.h"

#include <cstdio>
#include <random>

#include "programs/import/commit/brimwell_lock.h"
#include "programs/import/commit/stale_staging.h"
#include "programs/import/progress_bar.h"

namespace organ_import {

namespace {

namespace fs = std::filesystem;

constexpr int linkHops = 40;

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

bool move(const fs::path& from, const fs::path& to, std::string& error)
{
    std::string reason;
    if (platform::moveReplacing(from.string(), to.string(), reason)) return true;
    error = "moving " + reason;
    return false;
}

CommitJournal journalOf(const ImportStaging& staging)
{
    CommitJournal journal{staging.definition,      staging.stagedDefinition, {}, {},
                          staging.pictureFolderIs, staging.pictures};
    for (const StagedStop& stop : staging.stops)
        journal.stops.push_back({stop.folder, stop.existing.filename().string(),
                                 platform::identityOf(stagedStop(staging, stop.folder).string())});
    if (!staging.pictures.empty()) journal.pictureFolder = staging.pictureFolder.filename().string();
    return journal;
}

// A replaced stop's folder exchanged with the new one in one step; where the
// host cannot, moved aside and the new one moved in.
bool replaceStop(const ImportStaging& staging, const JournalStop& stop, std::string& error)
{
    const fs::path staged = stagedStop(staging, stop.folder), live = staging.brimwell / stop.folder;
    if (stop.replaces == stop.folder) {
        std::string reason;
        const platform::Exchange exchange = platform::exchangeFolders(staged.string(), live.string(), reason);
        if (exchange == platform::Exchange::exchanged) return true;
        if (exchange == platform::Exchange::failed) {
            error = "exchanging " + reason;
            return false;
        }
    }
    return move(staging.brimwell / stop.replaces, movedAside(staging.folder, stop), error) && move(staged, live, error);
}

bool moveStops(const ImportStaging& staging, const CommitJournal& journal, std::string& error)
{
    for (const JournalStop& stop : journal.stops) {
        const bool moved = stop.replaces.empty()
                               ? move(stagedStop(staging, stop.folder), staging.brimwell / stop.folder, error)
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
        error = staging.pictureFolder.string() + ": cannot be made (" + failure.message() + ")";
        return false;
    }
    for (const std::string& picture : staging.pictures)
        if (!move(stagedPictures(staging) / picture, staging.pictureFolder / picture, error)) return false;
    return platform::flushFolder(staging.pictureFolder.string(), error);
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
        const bool aside = platform::entryAt(movedAside(staging.keptOld, stop).string()) != platform::Entry::missing;
        const bool exchanged = platform::identityOf((staging.brimwell / stop.folder).string()) == stop.staged;
        if (aside || exchanged)
            error += "; the stop " + stop.replaces + " is kept in " +
                     (aside ? movedAside(staging.keptOld, stop) : staging.keptOld / "new" / stop.folder).string();
    }
}

void finishCommit(const ImportStaging& staging)
{
    std::string error;
    if (!platform::flushFolder(staging.definition.parent_path().string(), error))
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
    if (failure) error = brimwell.string() + ": cannot be made (" + failure.message() + ")";
    if (staging.lock == nullptr || !recoverUnfinishedImports(brimwell, error)) {
        discardStaging(staging);
        return std::nullopt;
    }
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
    const fs::path staged = staging.definition.string() + "." + randomLetters();
    std::string reason;
    if (!platform::writeNewFileDurably((staging.folder / stagedDefinitionRecord).string(), staged.string(), {},
                                       reason) ||
        !platform::flushFolder(staging.folder.string(), reason)) {
        error = reason + " (the staging folder cannot record the new definition)";
        return false;
    }
    staging.stagedDefinition = staged;
    if (!platform::writeNewFileDurably(staged.string(), text, staging.definition.string(), reason)) {
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
                           platform::flushFolder(staging.brimwell.string(), error) &&
                           move(staging.stagedDefinition, staging.definition, error);
    if (committed) {
        finishCommit(staging);
        return true;
    }
    const std::vector<std::string> stuck = undoMoves(staging.brimwell, staging.folder, journal);
    if (stuck.empty())
        error += "; " + staging.brimwell.string() + " is as it was";
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
