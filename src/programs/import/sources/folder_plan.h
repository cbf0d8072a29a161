// A folder of one stop's recordings as a stop of the plan: each file placed
// on its note and sounding there as recorded, each other key made from the
// nearest recorded note moved by the whole semitones between them.
#pragma once

#include <filesystem>
#include <string>

#include "programs/import/import_plan.h"

namespace organ_import {

// Adds the stop, named already, with the folder's files (not those of its
// subfolders, nor hidden ones): a file's note comes from its name, or from
// its smpl chunk when the name gives none (the note nearest the chunk's
// pitch); the chunk never retunes a recording.
// Files with no note, side files and correction files without their .wv
// are listed and left out. Of two recorded notes as near a key, the lower
// serves it. False, with error set, when the folder cannot be listed, two
// files give the same note, or none gives a note.
bool planFolder(const std::filesystem::path& folder, StopPlan stop, ImportPlan& plan, std::string& error);

}  // namespace organ_import
