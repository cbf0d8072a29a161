// The journal of a commit (see commit_journal.h).
#include "programs/import/commit/commit_journal.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

namespace organ_import {

namespace {

namespace fs = std::filesystem;

constexpr const char* firstLine = "velmara-import journal";
constexpr const char* lastLine = "end";
constexpr std::size_t stagedSuffix = 7;  // "." and six letters or digits

const char* pictureFolderWord(PictureFolder is)
{
    return is == PictureFolder::made ? "made" : is == PictureFolder::linkReplaced ? "link" : "there";
}

// One name of a folder's entry: never a path, never "." or "..", nothing
// that would break a line of the journal.
bool isName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\\\t\n\r\0", 7)) == std::string::npos;
}

bool isStagedBeside(const fs::path& staged, const fs::path& definition)
{
    const std::string name = staged.filename().string(), of = definition.filename().string();
    return definition.is_absolute() && staged.parent_path() == definition.parent_path() &&
           name.size() == of.size() + stagedSuffix && name.starts_with(of + ".") &&
           std::all_of(name.end() - stagedSuffix + 1, name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

std::vector<std::string> fieldsOf(const std::string& line)
{
    std::vector<std::string> fields;
    std::istringstream text(line);
    for (std::string field; std::getline(text, field, '\t');) fields.push_back(field);
    if (!line.empty() && line.back() == '\t') fields.emplace_back();
    return fields;
}

// Reads one line of the journal into it; false when the line is not one
// this program writes.
bool readLine(const std::vector<std::string>& fields, CommitJournal& journal)
{
    const std::string& kind = fields.empty() ? std::string() : fields[0];
    if (kind == "definition" && fields.size() == 2)
        journal.definition = fields[1];
    else if (kind == "staged" && fields.size() == 2)
        journal.stagedDefinition = fields[1];
    else if (kind == "stop" && fields.size() == 5 && isName(fields[4]) && (fields[3].empty() || isName(fields[3]))) {
        try {
            journal.stops.push_back({fields[4], fields[3], {std::stoull(fields[1]), std::stoull(fields[2])}});
        } catch (const std::exception&) {
            return false;
        }
    } else if (kind == "pictures" && fields.size() == 3 && isName(fields[2])) {
        journal.pictureFolder = fields[2];
        const std::string& is = fields[1];
        if (is != "there" && is != "made" && is != "link") return false;
        journal.pictureFolderIs = is == "made"   ? PictureFolder::made
                                  : is == "link" ? PictureFolder::linkReplaced
                                                 : PictureFolder::there;
    } else if (kind == "picture" && fields.size() == 2 && isName(fields[1]))
        journal.pictures.push_back(fields[1]);
    else
        return false;
    return true;
}

bool move(const fs::path& from, const fs::path& to, std::vector<std::string>& stuck)
{
    std::string error;
    if (platform::moveReplacing(from.string(), to.string(), error)) return true;
    stuck.push_back(error);
    return false;
}

bool isEmptyFolder(const fs::path& folder)
{
    std::error_code failure;
    return platform::entryAt(folder.string()) == platform::Entry::folder && fs::is_empty(folder, failure) && !failure;
}

void undoStop(const fs::path& brimwell, const fs::path& stagingFolder, const JournalStop& stop,
              std::vector<std::string>& stuck)
{
    const fs::path live = brimwell / stop.folder, staged = stagingFolder / "new" / stop.folder;
    const fs::path aside = movedAside(stagingFolder, stop);
    const bool asideThere = !stop.replaces.empty() && platform::entryAt(aside.string()) != platform::Entry::missing;
    if (platform::identityOf(live.string()) == stop.staged) {
        std::string error;
        if (stop.replaces == stop.folder && !asideThere) {
            if (platform::exchangeFolders(live.string(), staged.string(), error) != platform::Exchange::exchanged)
                stuck.push_back(error);
        } else if (!move(live, staged, stuck))
            return;
    }
    const fs::path existing = brimwell / stop.replaces;
    if (asideThere && platform::entryAt(existing.string()) == platform::Entry::missing) move(aside, existing, stuck);
}

void undoPictures(const fs::path& brimwell, const fs::path& stagingFolder, const CommitJournal& journal,
                  std::vector<std::string>& stuck)
{
    const fs::path folder = brimwell / journal.pictureFolder;
    for (auto picture = journal.pictures.rbegin(); picture != journal.pictures.rend(); ++picture) {
        const fs::path live = folder / *picture, staged = stagingFolder / "boutons" / *picture;
        if (platform::entryAt(live.string()) != platform::Entry::missing &&
            platform::entryAt(staged.string()) == platform::Entry::missing)
            move(live, staged, stuck);
    }
    std::string error;
    if (journal.pictureFolderIs != PictureFolder::there && isEmptyFolder(folder) &&
        !platform::removeEntry(folder.string(), error))
        stuck.push_back(error);
    const fs::path link = pictureLinkAside(stagingFolder);
    if (journal.pictureFolderIs == PictureFolder::linkReplaced &&
        platform::entryAt(link.string()) != platform::Entry::missing &&
        platform::entryAt(folder.string()) == platform::Entry::missing)
        move(link, folder, stuck);
}

}  // namespace

bool writeJournal(const fs::path& stagingFolder, const CommitJournal& journal, std::string& error)
{
    std::string text = std::string(firstLine) + "\ndefinition\t" + journal.definition.string() + "\nstaged\t" +
                       journal.stagedDefinition.string() + "\n";
    for (const JournalStop& stop : journal.stops)
        text += "stop\t" + std::to_string(stop.staged.volume) + "\t" + std::to_string(stop.staged.file) + "\t" +
                stop.replaces + "\t" + stop.folder + "\n";
    if (!journal.pictures.empty())
        text += std::string("pictures\t") + pictureFolderWord(journal.pictureFolderIs) + "\t" + journal.pictureFolder +
                "\n";
    for (const std::string& picture : journal.pictures) text += "picture\t" + picture + "\n";
    text += std::string(lastLine) + "\n";
    const fs::path written = stagingFolder / (std::string(journalName) + ".new");
    return platform::writeNewFileDurably(written.string(), text, {}, error) &&
           platform::moveReplacing(written.string(), (stagingFolder / journalName).string(), error) &&
           platform::flushFolder(stagingFolder.string(), error);
}

std::optional<CommitJournal> readJournal(const fs::path& stagingFolder)
{
    std::ifstream file(stagingFolder / journalName, std::ios::binary);
    std::string line;
    if (!std::getline(file, line) || line != firstLine) return std::nullopt;
    CommitJournal journal;
    bool ended = false;
    while (!ended && std::getline(file, line))
        if (!(ended = line == lastLine) && !readLine(fieldsOf(line), journal)) return std::nullopt;
    if (!ended || !isStagedBeside(journal.stagedDefinition, journal.definition)) return std::nullopt;
    return journal;
}

bool pastCommitPoint(const CommitJournal& journal)
{
    return platform::entryAt(journal.stagedDefinition.string()) == platform::Entry::missing;
}

fs::path movedAside(const fs::path& stagingFolder, const JournalStop& stop)
{
    return stagingFolder / "old" / stop.replaces;
}

fs::path pictureLinkAside(const fs::path& stagingFolder) { return stagingFolder / "pictures-link"; }

std::vector<std::string> undoMoves(const fs::path& brimwell, const fs::path& stagingFolder,
                                   const CommitJournal& journal)
{
    std::vector<std::string> stuck;
    if (!journal.pictureFolder.empty()) undoPictures(brimwell, stagingFolder, journal, stuck);
    for (auto stop = journal.stops.rbegin(); stop != journal.stops.rend(); ++stop)
        undoStop(brimwell, stagingFolder, *stop, stuck);
    return stuck;
}

bool removeStagingFolder(const fs::path& stagingFolder, std::string& error)
{
    std::error_code failure;
    for (const char* replaced : {"old", "new"})
        if (fs::remove_all(stagingFolder / replaced, failure); failure) break;
    if (!failure) fs::remove(stagingFolder / journalName, failure);
    if (!failure) fs::remove_all(stagingFolder, failure);
    if (failure) error = stagingFolder.string() + ": " + failure.message();
    return !failure;
}

bool isOwnStagedFile(const fs::path& path, const fs::path& brimwell)
{
    std::error_code failure;
    const fs::path folder = fs::canonical(path.parent_path(), failure);
    const fs::path inside = fs::canonical(brimwell, failure);
    const std::string name = path.filename().string();
    const std::size_t dot = name.rfind('.');
    return !failure && platform::entryAt(path.string()) == platform::Entry::file &&
           std::mismatch(inside.begin(), inside.end(), folder.begin(), folder.end()).first == inside.end() &&
           dot != std::string::npos && dot > 0 && name.size() - dot == stagedSuffix &&
           std::all_of(name.begin() + static_cast<std::ptrdiff_t>(dot) + 1, name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

}  // namespace organ_import
