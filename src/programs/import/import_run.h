// One run of velmara-import: check everything, make every stop, then put
// the whole organ in place or leave BRIMWELL_DIR as it was.
#pragma once

#include "programs/import/import_options.h"

namespace organ_import {

// The program's exit statuses besides 0, every stop written.
constexpr int statusUsage = 2;    // the command line cannot be understood
constexpr int statusRefused = 3;  // nothing was written: a recording, a name or the target was refused
// A move into place failed and could not all be undone: what could not be
// put back is kept in a folder the error names.
constexpr int statusIncomplete = 4;

// Imports the stops the options name; the process's exit status.
int runImport(const ImportOptions& options);

}  // namespace organ_import
