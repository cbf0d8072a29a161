// What an import that did not finish leaves in BRIMWELL_DIR: its staging
// folder with the journal of its commit, or a folder an undo that failed
// kept aside with it. The next run finishes or undoes it before anything.
#pragma once

#include <filesystem>
#include <string>

namespace organ_import {

constexpr const char* stagingPrefix = ".velmara-import-";
constexpr const char* keptPrefix = "velmara-import-kept-";

// Where a staging folder records its staged definition's path before the
// file is made.
constexpr const char* stagedDefinitionRecord = "definition";

// Renames a staging folder velmara-import-kept-XXXXXX, where the user sees
// it; its new path, or the old one when it cannot be renamed.
std::filesystem::path keepAside(const std::filesystem::path& stagingFolder);

// Run while holding the lock, so that no staging folder belongs to a live
// run: each import a journal says had passed its commit point is finished,
// each other one undone, and a staging folder without a journal (no move
// was made) removed, saying so for each; only what a journal names inside
// BRIMWELL_DIR is touched. A folder without a journal that holds stops
// moved aside by an older velmara-import is kept aside. False with error
// set when an import cannot be undone.
bool recoverUnfinishedImports(const std::filesystem::path& brimwell, std::string& error);

}  // namespace organ_import
