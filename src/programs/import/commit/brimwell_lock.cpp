// The lock of a BRIMWELL_DIR (see brimwell_lock.h).
#include "programs/import/commit/brimwell_lock.h"

namespace organ_import {

std::filesystem::path brimwellLockFile(const std::filesystem::path& brimwell)
{
    return brimwell / ".velmara-import.lock";
}

platform::RunLock* takeBrimwellLock(const std::filesystem::path& brimwell, std::string& error)
{
    bool held = false;
    std::string reason;
    platform::RunLock* lock = platform::takeRunLock(brimwellLockFile(brimwell).string(), held, reason);
    if (lock == nullptr)
        error = held ? brimwell.string() + ": another velmara-import is writing into it; run again when it ends"
                     : reason + " (the lock of the import cannot be taken)";
    return lock;
}

}  // namespace organ_import
