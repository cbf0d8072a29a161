// Flushing files and folders to the disk (see durable_files.h).
#include "programs/import/commit/durable_files.h"

#include <fcntl.h>
#include <unistd.h>

namespace organ_import {

bool syncToDisk(const std::filesystem::path& path)
{
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return false;
    const bool synced = ::fsync(descriptor) == 0;
    return ::close(descriptor) == 0 && synced;
}

}  // namespace organ_import
