// What an import that did not finish leaves in BRIMWELL_DIR: its staging
// folder, and perhaps the stops it had moved aside to replace them.
#pragma once

#include <filesystem>
#include <string>

namespace organ_import {

constexpr const char* stagingPrefix = ".velmara-import-";
constexpr const char* keptPrefix = "velmara-import-kept-";

// Where a staging folder records its staged definition, and marks a commit
// that completed (the stops in its old/ were replaced on purpose).
constexpr const char* stagedDefinitionRecord = "definition";
constexpr const char* committedMark = "committed";

// Keeps the stops in a staging folder's old/ where the user sees them:
// removes what the run made (new/, render/, boutons/, its staged
// definition) and renames the folder velmara-import-kept-XXXXXX. Its new
// path, or the old one when it cannot be renamed.
std::filesystem::path keepAside(const std::filesystem::path& stagingFolder);

// Run while holding the lock, so that no staging folder belongs to a live
// run: removes those holding no stop moved aside (or whose commit
// completed) and keeps the others aside, saying so for each.
void cleanStaleStaging(const std::filesystem::path& brimwell);

}  // namespace organ_import
