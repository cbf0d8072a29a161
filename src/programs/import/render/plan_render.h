// The one renderer: every stop of a plan made key by key, each key the sum
// of its parts and of its member stops' same key, into the render store.
// Each recording is decoded once, cut to the frames its keys read, and
// dropped after the last key that needs it, so memory holds what the keys
// still to make share, never the organ.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "programs/import/import_plan.h"

namespace organ_import {

struct RenderedStop {
    float peak = 0.0f;      // the largest magnitude of its sound that the run's gain scales
    bool hasFixed = false;  // some of its sound is at the organ's level already
};

// Renders the plan's stops in order into store/<index>.f32: one progress
// step per recording decoded and per key made, a warning for each recording
// that ends before some key's window does. Nothing, with error naming the
// recording and the reason, when a recording cannot be read, holds only
// silence or cannot be resampled, or the store cannot be written.
std::optional<std::vector<RenderedStop>> renderPlan(const ImportPlan& plan, const std::filesystem::path& store,
                                                    std::string& error);

// The progress steps renderPlan takes: one per recording (the plan lists only
// those its parts name) and one per key.
int renderSteps(const ImportPlan& plan);

// The file renderPlan keeps the stop's keys in.
std::filesystem::path storedStop(const std::filesystem::path& store, int stop);

}  // namespace organ_import
