// Flushing what the importer writes to the disk before it is moved into
// place, so that a crash never leaves a stop or a definition in place that
// is only partly on the disk.
#pragma once

#include <filesystem>

namespace organ_import {

// fsync of a file or a folder (a folder's entries); false when it fails.
bool syncToDisk(const std::filesystem::path& path);

}  // namespace organ_import
