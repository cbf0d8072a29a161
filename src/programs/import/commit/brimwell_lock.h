// One import at a time in a BRIMWELL_DIR: two runs that edited the same
// definition at once would each drop the other's stops.
#pragma once

#include <filesystem>
#include <string>

#include "platform/durable_files.h"

namespace organ_import {

// Takes BRIMWELL_DIR/.velmara-import.lock; null with error set when another
// run holds it or it cannot be made. The lock goes with the process, so a
// killed run never leaves it taken; the file stays for every later run.
platform::RunLock* takeBrimwellLock(const std::filesystem::path& brimwell, std::string& error);

// Where the lock file is: a run that made BRIMWELL_DIR and leaves nothing in
// it removes the file with the folder.
std::filesystem::path brimwellLockFile(const std::filesystem::path& brimwell);

}  // namespace organ_import
