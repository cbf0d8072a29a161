// Making the 61 keys of one stop from its recordings.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "programs/import/key_render.h"
#include "programs/import/stop_sources.h"

namespace organ_import {

struct RenderedStop {
    std::vector<RenderedKey> keys;  // keyCount, key 0 first
    float peak = 0.0f;              // the largest magnitude of any frame
    int farthestShift = 0;          // semitones, key minus source; 0 when every key is recorded
    int farthestKey = 0;            // the key shifted farthest
};

// The recordings that serve a key, each decoded once; one progress step per
// recording decoded and per key made, a warning for each recording too short
// for its keys. Nothing, with error naming the file and the reason, when a
// recording cannot be read, holds only silence or cannot be resampled.
std::optional<RenderedStop> renderStop(const StopSources& sources, std::string& error);

// The recordings renderStop decodes: those some key is made from.
int recordingsServingKeys(const StopSources& sources);

}  // namespace organ_import
