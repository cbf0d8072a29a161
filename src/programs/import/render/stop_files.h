// The 16-bit sample files of a rendered stop: each key read back from the
// render store, scaled once, rounded once, written and flushed to the disk.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "programs/import/render/plan_render.h"

namespace organ_import {

// Writes the stop's 61 files into folder (made here) at the run's gain, one
// progress step each, on the importer's workers. A stop with sound at the
// organ's level gets a factor of its own on top (1 when it needs none, set in
// factor) so that every chord of it stays within 16 bits. clipped counts the
// samples held at the 16-bit limits. False with error set when a file cannot
// be read or written.
bool writeStopFiles(const std::filesystem::path& storeFile, const RenderedStop& stop, double gain,
                    const std::filesystem::path& folder, double& factor, std::size_t& clipped, std::string& error);

}  // namespace organ_import
