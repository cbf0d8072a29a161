// Writing an import into a staging folder inside BRIMWELL_DIR first, then
// moving it into place in one go that is undone when any move fails.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace organ_import {

struct StagedStop {
    std::string folder;              // the stop's folder name, staged in new/
    std::filesystem::path existing;  // the folder it replaces, or empty
};

struct ImportStaging {
    std::filesystem::path brimwell;
    std::filesystem::path folder;            // BRIMWELL_DIR/.velmara-import-XXXXXX
    std::filesystem::path definition;        // the definition to replace
    std::filesystem::path stagedDefinition;  // its replacement, beside it
    std::vector<StagedStop> stops;
    std::filesystem::path pictureFolder;  // BRIMWELL_DIR/boutons as the organ finds it
    std::vector<std::string> pictures;    // on.bmp, of.bmp: those staged in boutons/
    bool createdBrimwell = false;
};

// The staging folder inside brimwell (made when missing) with its new, old,
// boutons and render folders; nothing, with error set, when it cannot be made.
std::optional<ImportStaging> startStaging(const std::filesystem::path& brimwell, std::string& error);

// Where a stop's files and the missing button pictures are staged.
std::filesystem::path stagedStop(const ImportStaging& staging, const std::string& folder);
std::filesystem::path stagedPictures(const ImportStaging& staging);
// Where the renderer keeps the rendered keys until the gain is known.
std::filesystem::path renderStore(const ImportStaging& staging);

// Writes the definition's new text into a fresh file beside it, with the
// old one's permissions, as stagedDefinition; false with error set.
bool stageDefinition(ImportStaging& staging, const std::filesystem::path& definition, const std::string& text,
                     std::string& error);

// Moves every staged stop into BRIMWELL_DIR (a folder it replaces into the
// staging folder first), the staged pictures into the picture folder and the
// staged definition over the definition, then removes the staging folder.
// When a move fails, the moves made are undone in reverse and error says
// what failed.
bool commitStaging(const ImportStaging& staging, std::string& error);

// After a failure: removes the staging folder, the staged definition, and
// BRIMWELL_DIR when the import made it.
void discardStaging(const ImportStaging& staging);

}  // namespace organ_import
