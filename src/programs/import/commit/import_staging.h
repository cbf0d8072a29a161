// Writing an import into a staging folder inside BRIMWELL_DIR first, then
// moving it into place in one go that is undone when any move fails. One
// run at a time: a lock in BRIMWELL_DIR keeps a second run out, and the
// staging folder a killed run left is cleaned, or kept under a name that
// says so when it holds stops that run had moved aside.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/durable_files.h"

namespace organ_import {

struct StagedStop {
    std::string folder;              // the stop's folder name, staged in new/
    std::filesystem::path existing;  // the folder it replaces, or empty
};

struct ImportStaging {
    std::filesystem::path brimwell;
    std::filesystem::path folder;            // BRIMWELL_DIR/.velmara-import-XXXXXX
    std::filesystem::path definition;        // the definition's file: where a symbolic link to it leads
    std::filesystem::path stagedDefinition;  // its replacement, beside it
    std::vector<StagedStop> stops;
    std::filesystem::path pictureFolder;  // BRIMWELL_DIR/boutons as the organ finds it
    std::vector<std::string> pictures;    // on.bmp, of.bmp: those staged in boutons/
    bool createdBrimwell = false;
    platform::RunLock* lock = nullptr;  // BRIMWELL_DIR/.velmara-import.lock, held until the run ends
    std::filesystem::path keptOld;      // after an undo that failed: where the stops it could not put back are
};

// Takes the lock, cleans what a killed run left, and makes the staging
// folder inside brimwell (made when missing) with its new, old, boutons and
// render folders; nothing, with error set, when another run holds the lock
// or a folder cannot be made.
std::optional<ImportStaging> startStaging(const std::filesystem::path& brimwell, std::string& error);

// Where a stop's files and the missing button pictures are staged.
std::filesystem::path stagedStop(const ImportStaging& staging, const std::string& folder);
std::filesystem::path stagedPictures(const ImportStaging& staging);
// Where the renderer keeps the rendered keys until the gain is known.
std::filesystem::path renderStore(const ImportStaging& staging);

// Writes the definition's new text into a fresh file beside the file the
// definition is (a symbolic link stays one: its target gets the text), with
// the old one's permissions, flushed to the disk, as stagedDefinition; false
// with error set.
bool stageDefinition(ImportStaging& staging, const std::filesystem::path& definition, const std::string& text,
                     std::string& error);

// Moves every staged stop into BRIMWELL_DIR (a folder it replaces into the
// staging folder first), the staged pictures into the picture folder and the
// staged definition over the definition, flushes the folders that changed,
// then removes the staging folder. When a move fails, the moves made are
// undone in reverse and error says what failed; when a move cannot be
// undone, nothing is removed: the staging folder is renamed to keptOld's
// parent, keptOld names where the stops it could not put back are, and error
// says so.
bool commitStaging(ImportStaging& staging, std::string& error);

// After a failure: removes the staging folder (unless it keeps stops), the
// staged definition, and BRIMWELL_DIR when the import made it; gives up the
// lock.
void discardStaging(ImportStaging& staging);

// After a commit: gives up the lock.
void endStaging(ImportStaging& staging);

}  // namespace organ_import
