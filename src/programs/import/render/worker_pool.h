// The importer's workers: as many threads as the machine runs at once, each
// taking the next of a batch of independent jobs until none is left.
#pragma once

#include <functional>

namespace organ_import {

// The workers a run uses: VELMARA_IMPORT_WORKERS when it is a positive
// number, else the machine's hardware threads (at least 1).
int importWorkers();

// Calls job(i, worker) once for every i in [0, count) on up to `workers`
// threads, the caller's among them, and returns when every call has
// returned. `worker` in [0, workers) tells the thread making the call from
// the others running at the same time, so that a job may use what that
// worker owns. Which thread runs which job is left to chance: each job
// writes only its own results.
void forEachOnWorkers(int count, int workers, const std::function<void(int job, int worker)>& job);

}  // namespace organ_import
