// One import at a time in a BRIMWELL_DIR: two runs that edited the same
// definition at once would each drop the other's stops.
#pragma once

#include <filesystem>
#include <string>

namespace organ_import {

// Takes BRIMWELL_DIR/.velmara-import.lock; its descriptor, or -1 with error
// set when another run holds it or it cannot be made. The lock goes with the
// process, so a killed run never leaves it taken.
int takeBrimwellLock(const std::filesystem::path& brimwell, std::string& error);

// Removes the lock file and gives the lock up; nothing for -1.
void releaseBrimwellLock(const std::filesystem::path& brimwell, int lock);

}  // namespace organ_import
