// Cleaning what an unfinished import left (see stale_staging.h).
#include "programs/import/commit/stale_staging.h"

#include <fstream>
#include <iterator>
#include <string_view>
#include <vector>

#include "programs/import/progress_bar.h"
#include "programs/import/utf8_path.h"

namespace organ_import {

namespace {

namespace fs = std::filesystem;

void removeStagedDefinition(const fs::path& stagingFolder)
{
    std::ifstream record(stagingFolder / stagedDefinitionRecord, std::ios::binary);
    const std::string path{std::istreambuf_iterator<char>(record), std::istreambuf_iterator<char>()};
    std::error_code ignored;
    if (!path.empty()) fs::remove(pathFromUtf8(path), ignored);
}

std::vector<std::string> entriesOf(const fs::path& folder)
{
    std::vector<std::string> names;
    std::error_code failure;
    for (fs::directory_iterator entry(folder, failure), end; !failure && entry != end; entry.increment(failure))
        names.push_back(utf8Of(entry->path().filename()));
    return names;
}

std::string listed(const std::vector<std::string>& names)
{
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
    return list;
}

}  // namespace

fs::path keepAside(const fs::path& stagingFolder)
{
    removeStagedDefinition(stagingFolder);
    std::error_code ignored;
    for (const char* made : {"new", "render", "boutons", stagedDefinitionRecord})
        fs::remove_all(stagingFolder / made, ignored);
    const std::string name = utf8Of(stagingFolder.filename());
    const fs::path kept =
        stagingFolder.parent_path() / pathFromUtf8(keptPrefix + name.substr(std::string_view(stagingPrefix).size()));
    std::error_code failure;
    fs::rename(stagingFolder, kept, failure);
    return failure ? stagingFolder : kept;
}

void cleanStaleStaging(const fs::path& brimwell)
{
    for (const std::string& name : entriesOf(brimwell)) {
        const fs::path folder = brimwell / pathFromUtf8(name);
        std::error_code ignored;
        if (!name.starts_with(stagingPrefix) || !fs::is_directory(fs::symlink_status(folder, ignored))) continue;
        const std::vector<std::string> movedAside = entriesOf(folder / "old");
        if (movedAside.empty() || fs::exists(folder / committedMark, ignored)) {
            removeStagedDefinition(folder);
            fs::remove_all(folder, ignored);
            warn(utf8Of(folder) + ": removed, left by an import that did not finish");
            continue;
        }
        warn("an import that did not finish had moved the stop(s) " + listed(movedAside) + " aside; they are kept in " +
             utf8Of(keepAside(folder) / "old"));
    }
}

}  // namespace organ_import
