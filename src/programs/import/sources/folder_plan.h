// A folder of one stop's recordings as a stop of the plan: each file placed
// on its note, each key made from the nearest recorded note, shifted by the
// exact distance.
#pragma once

#include <filesystem>
#include <string>

#include "programs/import/import_plan.h"

namespace organ_import {

// Adds the stop, named already, with the folder's files (not those of its
// subfolders, nor hidden ones): a file's note comes from its name, or from
// its smpl chunk when the name gives none; a smpl chunk on that note also
// gives the recording's exact pitch, which every key made from it corrects.
// Files with no note, side files and correction files without their .wv
// are listed and left out. Of two recorded notes as near a key, the lower
// serves it. False, with error set, when the folder cannot be listed, two
// files give the same note, or none gives a note.
bool planFolder(const std::filesystem::path& folder, StopPlan stop, ImportPlan& plan, std::string& error);

}  // namespace organ_import
