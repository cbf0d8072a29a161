// The journal of a commit: every move the commit makes, written and flushed
// in the staging folder before the first one, so that a failure, or the
// next run after a kill, can undo the moves made. A journal names folders
// and files inside BRIMWELL_DIR only by their names there; one that names
// anything else is not read.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/durable_files.h"

namespace organ_import {

constexpr const char* journalName = "journal";

struct JournalStop {
    std::string folder;         // its folder in BRIMWELL_DIR, staged in new/
    std::string replaces;       // the folder of BRIMWELL_DIR it replaces, or empty
    platform::Identity staged;  // the staged folder, to find it wherever it is
};

// How the pictures' folder is made ready for the pictures.
enum class PictureFolder { there, made, linkReplaced };

struct CommitJournal {
    std::filesystem::path definition;        // the definition's file
    std::filesystem::path stagedDefinition;  // its new text beside it; gone once moved: the commit point
    std::vector<JournalStop> stops;
    std::string pictureFolder;  // its name in BRIMWELL_DIR
    PictureFolder pictureFolderIs = PictureFolder::there;
    std::vector<std::string> pictures;  // moved from boutons/ into it
};

// Writes the journal into the staging folder under its final name in one
// step, flushed with the folder; false with error set.
bool writeJournal(const std::filesystem::path& stagingFolder, const CommitJournal& journal, std::string& error);

// The staging folder's journal, or nothing when there is none or it names
// anything but single folder or file names (a record planted in a copied
// folder, not one this program wrote).
std::optional<CommitJournal> readJournal(const std::filesystem::path& stagingFolder);

// Whether the definition was moved into place: from then on the import is
// finished, not undone.
bool pastCommitPoint(const CommitJournal& journal);

// Where a replaced stop waits when folders cannot be exchanged.
std::filesystem::path movedAside(const std::filesystem::path& stagingFolder, const JournalStop& stop);
// Where a dangling link in place of the pictures' folder waits.
std::filesystem::path pictureLinkAside(const std::filesystem::path& stagingFolder);

// Puts back, last first, whatever the journal's moves had done, whichever
// of them were made; the lines saying what could not be put back (empty
// when BRIMWELL_DIR is as it was).
std::vector<std::string> undoMoves(const std::filesystem::path& brimwell, const std::filesystem::path& stagingFolder,
                                   const CommitJournal& journal);

// Removes a staging folder once the journal no longer decides anything:
// the stops it replaced first, the journal after them, the rest last, so
// that a kill in between never leaves part of a stop looking like a whole
// one moved aside. False with error set when something stays.
bool removeStagingFolder(const std::filesystem::path& stagingFolder, std::string& error);

// Whether path is a file a run made beside a definition inside BRIMWELL_DIR
// (reached without leaving it by a link), so that cleaning may remove it.
bool isOwnStagedFile(const std::filesystem::path& path, const std::filesystem::path& brimwell);

}  // namespace organ_import
