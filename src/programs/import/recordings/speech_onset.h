// Where a recorded pipe starts to speak, told apart from the recording's own
// noise floor.
#pragma once

#include <cstddef>
#include <optional>

#include "programs/import/recordings/recording.h"

namespace organ_import {

// The first frame of the pipe's speech: the start of the first run of 2 ms
// whose level, block after block of 0.5 ms, stands 12 dB over the quietest
// 5 ms before the pipe reaches half its full level (digital zeros or the
// hiss of the room), yet no less than 50 dB under that full level; refined
// to the first frame of the run's first block that reaches the threshold.
// A single click never makes a run. Nothing when the recording is silent.
std::optional<std::size_t> speechOnset(const Recording& recording);

}  // namespace organ_import
