// What must hold after a broken or killed import (see outcome_checks.h).
#include "outcome_checks.h"

#include <vector>

#include "programs/import/import_run.h"

namespace faulttest {

namespace {

constexpr std::size_t sampleFiles = 61;

// The importer's last message, quoted.
std::string lastMessage(const std::string& text)
{
    const std::size_t start = text.rfind("velmara-import:");
    return start == std::string::npos ? "" : " \"" + text.substr(start, text.find('\n', start) - start) + "\"";
}

// Which of the two states the tree is, or how it differs from each.
std::string stateOf(const Tree& tree, const States& states)
{
    if (tree == states.before) return "left as before";
    if (tree == states.after) return "left as after";
    return "left neither as before (" + differences(tree, states.before) + ") nor as after (" +
           differences(tree, states.after) + ")";
}

// The stop names the definition lists before its END line.
std::vector<std::string> listedStops(const std::string& text)
{
    std::vector<std::string> names;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string line = text.substr(at, end - at - (end > at && text[end - 1] == '\r'));
        if (line == "END") break;
        if (!line.empty()) names.push_back(line);
        at = end + 1;
    }
    return names;
}

}  // namespace

std::string afterFailure(int status, const std::string& error, const Tree& tree, const States& states)
{
    if ((status == 0 && tree == states.after) || (status == organ_import::statusRefused && tree == states.before))
        return "";
    return (status < 0 ? std::string("ended by a signal") : "exit " + std::to_string(status)) + lastMessage(error) +
           ", " + stateOf(tree, states);
}

std::string afterKill(int status, const Tree& tree, const Scenario& scenario, const States& states)
{
    if (status >= 0) return "not killed: exit " + std::to_string(status);
    const Tree definition = folderOf(tree, scenario.definition);
    if (definition != folderOf(states.before, scenario.definition) &&
        definition != folderOf(states.after, scenario.definition))
        return "the definition is neither its old text nor its new";
    const std::string text = definition.empty() ? "" : definition.begin()->second;
    for (const std::string& stop : listedStops(text.substr(text.find(':') + 1))) {
        const Tree folder = folderOf(tree, stop);
        if (!folder.empty() && (folder == folderOf(states.before, stop) || folder == folderOf(states.after, stop)))
            continue;
        return "the definition lists " + stop + ", whose folder " +
               (folder.empty() ? "is missing"
                               : "holds " + std::to_string(folder.size() - 1) + " entries, not its " +
                                     std::to_string(sampleFiles) + " samples as before or after");
    }
    return "";
}

std::string afterRerun(int status, const std::string& error, const Tree& tree, const Scenario& scenario,
                       const States& states)
{
    const bool refusedAsDone = !scenario.replaces && status == organ_import::statusRefused &&
                               error.find("the stop exists") != std::string::npos;
    if ((status == 0 || refusedAsDone) && tree == states.after) return "";
    return "the next run: exit " + std::to_string(status) + lastMessage(error) + ", " + stateOf(tree, states);
}

}  // namespace faulttest
