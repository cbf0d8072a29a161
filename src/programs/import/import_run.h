// One run of velmara-import: check everything, make every stop, then put
// the whole organ in place or leave BRIMWELL_DIR as it was.
#pragma once

#include "programs/import/import_options.h"

namespace organ_import {

// Imports the stops the options name; the process's exit status.
int runImport(const ImportOptions& options);

}  // namespace organ_import
