// Planning a registration (see registration_plan.h).
#include "programs/import/sources/registration_plan.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "bank/organ_bank.h"
#include "platform/ascii_case.h"
#include "platform/files.h"
#include "platform/windows1252.h"
#include "programs/import/commit/stale_staging.h"

namespace organ_import {

namespace {

namespace fs = std::filesystem;

struct Member {
    int runStop = -1;         // a stop of this run, or
    fs::path existingFolder;  // a stop folder in BRIMWELL_DIR

    bool operator==(const Member&) const = default;
};

// BRIMWELL_DIR's folders that may be stops: not hidden, not the pictures,
// not what an unfinished run left aside.
std::vector<std::string> stopFolders(const fs::path& brimwell)
{
    std::vector<std::string> folders;
    std::error_code failure;
    for (fs::directory_iterator entry(brimwell, failure), end; !failure && entry != end; entry.increment(failure)) {
        const std::string name = entry->path().filename().string();
        std::error_code ignored;
        if (entry->is_directory(ignored) && !name.starts_with('.') && !platform::equalIgnoringCase(name, "boutons") &&
            !name.starts_with(keptPrefix))
            folders.push_back(name);
    }
    std::sort(folders.begin(), folders.end());
    return folders;
}

// The folders named as the organ finds a stop: exactly, in UTF-8 or in
// Windows-1252 bytes; else the same ignoring letter case.
std::vector<std::string> foldersNamed(const std::vector<std::string>& folders, const std::string& name)
{
    const std::string bytes = platform::toWindows1252(name);
    std::vector<std::string> exact, loose;
    for (const std::string& folder : folders) {
        if (folder == name || folder == bytes) exact.push_back(folder);
        if (platform::equalIgnoringCase(folder, name) || platform::equalIgnoringCase(folder, bytes))
            loose.push_back(folder);
    }
    return exact.empty() ? loose : exact;
}

std::string listed(const std::vector<std::string>& names)
{
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : ", ") + platform::textToUtf8(name);
    return list;
}

std::string candidates(const ImportPlan& plan, const std::vector<std::string>& folders)
{
    std::vector<std::string> run;
    for (const StopPlan& stop : plan.stops) run.push_back(stop.folder);
    std::string text = run.empty() ? "" : "the stops of this run are " + listed(run);
    if (!folders.empty()) text += (text.empty() ? "" : "; ") + std::string("BRIMWELL_DIR holds ") + listed(folders);
    return text.empty() ? "there is no stop to sound" : text;
}

// The member a name gives; folders are BRIMWELL_DIR's stopFolders.
std::optional<Member> memberNamed(const ImportPlan& plan, const fs::path& brimwell,
                                  const std::vector<std::string>& folders, const std::string& name, std::string& error)
{
    const auto& stops = plan.stops;
    const auto named = std::find_if(stops.begin(), stops.end(), [&](const StopPlan& s) { return s.folder == name; });
    if (named != stops.end()) return Member{static_cast<int>(named - stops.begin()), {}};
    std::vector<int> owners;
    std::vector<std::string> ownersNames;
    for (int s = 0; s < static_cast<int>(stops.size()); ++s)
        if (stops[s].ownName == name) owners.push_back(s), ownersNames.push_back(stops[s].folder);
    const std::vector<std::string> existing = foldersNamed(folders, name);
    if (owners.size() == 1) return Member{owners.front(), {}};
    if (owners.empty() && existing.size() == 1) return Member{-1, brimwell / existing.front()};
    if (owners.size() > 1)
        error = "\"" + name + "\" is the organ's name of " + listed(ownersNames) + "; name one of them";
    else if (existing.size() > 1)
        error = "\"" + name + "\" matches the folders " + listed(existing) + "; name one as it is spelt";
    else
        error = "no stop is named \"" + name + "\"; " + candidates(plan, folders);
    return std::nullopt;
}

// The key's sample file in the folder as the organ finds it.
fs::path samplePathOf(const fs::path& folder, int key)
{
    return platform::hostPath((folder / sampleFileName(key)).string());
}

std::string originOf(const RegistrationOption& registration, const std::vector<Member>& members)
{
    std::string origin = "registration of ";
    for (std::size_t i = 0; i < members.size(); ++i)
        origin += (i > 0 ? " + " : "") + registration.members[i] +
                  (members[i].runStop < 0 ? " (already in BRIMWELL_DIR)" : "");
    return origin;
}

}  // namespace

bool planRegistration(const RegistrationOption& registration, const fs::path& brimwell, StopPlan stop, ImportPlan& plan,
                      std::string& error)
{
    const std::vector<std::string> folders = stopFolders(brimwell);
    std::vector<Member> members;
    for (const std::string& name : registration.members) {
        std::optional<Member> member = memberNamed(plan, brimwell, folders, name, error);
        const auto twin = member ? std::find(members.begin(), members.end(), *member) : members.end();
        if (twin != members.end()) {
            const std::string& other = registration.members[static_cast<std::size_t>(twin - members.begin())];
            error = "\"" + name + "\" is named twice" + (other == name ? "" : " (also as \"" + other + "\")");
            member.reset();
        }
        if (!member) {
            error.insert(0, "--registration " + registration.name + ": ");
            return false;
        }
        members.push_back(std::move(*member));
    }
    const std::string citation = "--registration " + registration.name;
    for (const Member& member : members) {
        if (member.runStop >= 0) {
            stop.memberStops.push_back(member.runStop);
            continue;
        }
        for (int key = 0; key < keyCount; ++key)
            stop.keys[key].push_back(
                {recordingIndex(plan, {samplePathOf(member.existingFolder, key), {}, citation, true}), 0.0, 1.0});
    }
    stop.origin = originOf(registration, members);
    plan.stops.push_back(std::move(stop));
    return true;
}

}  // namespace organ_import
