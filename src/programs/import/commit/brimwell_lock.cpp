// The lock of a BRIMWELL_DIR (see brimwell_lock.h).
#include "programs/import/commit/brimwell_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace organ_import {

namespace {

constexpr const char* lockName = ".velmara-import.lock";
constexpr int attempts = 3;

// Whether the descriptor is still the file at path: a run that finished may
// have removed the file between our open and our lock.
bool isStillNamed(int descriptor, const std::filesystem::path& path)
{
    struct stat opened {};
    struct stat named {};
    return ::fstat(descriptor, &opened) == 0 && ::stat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

}  // namespace

int takeBrimwellLock(const std::filesystem::path& brimwell, std::string& error)
{
    const std::filesystem::path path = brimwell / lockName;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (descriptor < 0) {
            error = path.string() + ": cannot be made (" + std::strerror(errno) + ")";
            return -1;
        }
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
            const bool held = errno == EWOULDBLOCK;
            error = held ? brimwell.string() + ": another velmara-import is writing into it; run again when it ends"
                         : path.string() + ": cannot be locked (" + std::strerror(errno) + ")";
            ::close(descriptor);
            return -1;
        }
        if (isStillNamed(descriptor, path)) return descriptor;
        ::close(descriptor);
    }
    error = path.string() + ": keeps being replaced by other runs";
    return -1;
}

void releaseBrimwellLock(const std::filesystem::path& brimwell, int lock)
{
    if (lock < 0) return;
    ::unlink((brimwell / lockName).c_str());
    ::close(lock);
}

}  // namespace organ_import
