// The importer's workers: as many threads as the machine runs at once, each
// taking the next of a batch of independent jobs until none is left.
#pragma once

#include <functional>

namespace organ_import {

// The workers a run uses: VELMARA_IMPORT_WORKERS when it is a positive
// number, else the machine's hardware threads (at least 1).
int importWorkers();

// Calls job(i) once for every i in [0, count) on up to `workers` threads,
// the caller's among them, and returns when every call has returned. Which
// thread runs which job is left to chance: each job writes only its own
// results.
void forEachOnWorkers(int count, int workers, const std::function<void(int)>& job);

}  // namespace organ_import
