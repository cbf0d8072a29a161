// Finishing or undoing what an unfinished import left (see stale_staging.h).
#include "programs/import/commit/stale_staging.h"

#include <fstream>
#include <iterator>
#include <string_view>
#include <vector>

#include "programs/import/commit/commit_journal.h"
#include "programs/import/progress_bar.h"

namespace organ_import {

namespace {

namespace fs = std::filesystem;

// The staged definition the folder recorded, when it is one a run made
// inside BRIMWELL_DIR; a record naming anything else is left alone.
void removeStagedDefinition(const fs::path& brimwell, const fs::path& staged)
{
    std::error_code ignored;
    if (isOwnStagedFile(staged, brimwell))
        fs::remove(staged, ignored);
    else if (platform::entryAt(staged.string()) != platform::Entry::missing)
        warn(staged.string() + ": left in place, outside " + brimwell.string() + " (remove it if a run left it)");
}

fs::path recordedDefinition(const fs::path& stagingFolder)
{
    std::ifstream record(stagingFolder / stagedDefinitionRecord, std::ios::binary);
    return std::string{std::istreambuf_iterator<char>(record), std::istreambuf_iterator<char>()};
}

std::vector<std::string> entriesOf(const fs::path& folder)
{
    std::vector<std::string> names;
    std::error_code failure;
    for (fs::directory_iterator entry(folder, failure), end; !failure && entry != end; entry.increment(failure))
        names.push_back(entry->path().filename().string());
    return names;
}

std::string listed(const std::vector<std::string>& names)
{
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
    return list;
}

bool recoverJournaled(const fs::path& brimwell, const fs::path& folder, const CommitJournal& journal,
                      std::string& error)
{
    std::vector<std::string> stops;
    for (const JournalStop& stop : journal.stops) stops.push_back(stop.folder);
    const bool finished = pastCommitPoint(journal);
    if (!finished) {
        const std::vector<std::string> stuck = undoMoves(brimwell, folder, journal);
        if (!stuck.empty()) {
            error = "an import that did not finish cannot be undone (" + listed(stuck) + "); its journal stays in " +
                    folder.string() + " for the next run";
            return false;
        }
        removeStagedDefinition(brimwell, journal.stagedDefinition);
    }
    std::string reason;
    if (!removeStagingFolder(folder, reason)) warn(reason + " (left behind; the next run removes it)");
    warn(finished ? "an import that did not finish is completed: " + listed(stops) + " and " +
                        journal.definition.string() + " are in place"
                  : "an import that did not finish is undone: " + brimwell.string() + " is as it was before it");
    return true;
}

// A staging folder with no journal: no move was made, unless an older
// velmara-import had moved stops into its old/.
void cleanUnjournaled(const fs::path& brimwell, const fs::path& folder)
{
    const std::vector<std::string> movedAside = entriesOf(folder / "old");
    if (!movedAside.empty()) {
        std::error_code ignored;
        for (const char* made : {"new", "render", "boutons", stagedDefinitionRecord})
            fs::remove_all(folder / made, ignored);
        warn("an import that did not finish had moved the stop(s) " + listed(movedAside) + " aside; they are kept in " +
             (keepAside(folder) / "old").string());
        return;
    }
    removeStagedDefinition(brimwell, recordedDefinition(folder));
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    warn(folder.string() + ": removed, left by an import that did not finish");
}

}  // namespace

fs::path keepAside(const fs::path& stagingFolder)
{
    const std::string name = stagingFolder.filename().string();
    const fs::path kept =
        stagingFolder.parent_path() / (keptPrefix + name.substr(std::string_view(stagingPrefix).size()));
    std::error_code failure;
    fs::rename(stagingFolder, kept, failure);
    return failure ? stagingFolder : kept;
}

bool recoverUnfinishedImports(const fs::path& brimwell, std::string& error)
{
    for (const std::string& name : entriesOf(brimwell)) {
        const fs::path folder = brimwell / name;
        const bool staging = name.starts_with(stagingPrefix), kept = name.starts_with(keptPrefix);
        if ((!staging && !kept) || platform::entryAt(folder.string()) != platform::Entry::folder) continue;
        if (const std::optional<CommitJournal> journal = readJournal(folder)) {
            if (!recoverJournaled(brimwell, folder, *journal, error)) return false;
        } else if (staging)
            cleanUnjournaled(brimwell, folder);
    }
    return true;
}

}  // namespace organ_import
