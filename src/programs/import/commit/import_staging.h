// Writing an import into a staging folder inside BRIMWELL_DIR first, then
// moving it into place from a journal, stops before the definition that
// names them, undone when any move fails. One run at a time: a lock in
// BRIMWELL_DIR keeps a second run out, and the import a killed run left
// unfinished is finished or undone from its journal before anything else.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/durable_files.h"
#include "programs/import/commit/commit_journal.h"

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
    PictureFolder pictureFolderIs = PictureFolder::there;
    std::vector<std::string> pictures;  // on.bmp, of.bmp: those staged in boutons/
    bool createdBrimwell = false;
    platform::RunLock* lock = nullptr;  // BRIMWELL_DIR/.velmara-import.lock, held until the run ends
    std::filesystem::path keptOld;      // after an undo that failed: the folder keeping what it could not put back
};

// Takes the lock, finishes or undoes what a killed run left, and makes the
// staging folder inside brimwell (made when missing) with its new, old,
// boutons and render folders; nothing, with error set, when another run
// holds the lock, a killed run cannot be undone or a folder cannot be made.
std::optional<ImportStaging> startStaging(const std::filesystem::path& brimwell, std::string& error);

// Where a stop's files and the missing button pictures are staged.
std::filesystem::path stagedStop(const ImportStaging& staging, const std::string& folder);
std::filesystem::path stagedPictures(const ImportStaging& staging);
// Where the renderer keeps the rendered keys until the gain is known.
std::filesystem::path renderStore(const ImportStaging& staging);

// Writes the definition's new text into a fresh file beside the file the
// definition is (a symbolic link stays one: its target gets the text), with
// the old one's permissions, flushed to the disk, as stagedDefinition; its
// name is recorded in the staging folder before it is made. False with
// error set.
bool stageDefinition(ImportStaging& staging, const std::filesystem::path& definition, const std::string& text,
                     std::string& error);

// Writes the journal, then moves every staged stop into BRIMWELL_DIR (a
// folder it replaces exchanged with it in one step where the host can, else
// moved into the staging folder first), the staged pictures into the
// picture folder, flushes BRIMWELL_DIR, and moves the staged definition over
// the definition: the commit point. Then removes the staging folder. When a
// move fails, the moves made are undone from the journal and error says
// what failed; when one cannot be undone, the staging folder is renamed
// keptOld with its journal (the next run puts the stops back) and error
// says where each replaced stop is.
bool commitStaging(ImportStaging& staging, std::string& error);

// After a failure: removes the staging folder and the staged definition
// (unless stops are kept), and BRIMWELL_DIR when the import made it; gives
// up the lock.
void discardStaging(ImportStaging& staging);

// After a commit: gives up the lock.
void endStaging(ImportStaging& staging);

}  // namespace organ_import
