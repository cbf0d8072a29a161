// Durable file work on POSIX (see durable_files.h): fsync, rename, flock and
// pread/pwrite; on Linux renameat2 exchanges folders.
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/durable_files.h"

namespace platform {

struct RunLock {
    int descriptor;
};

struct OpenFile {
    int descriptor;
    std::string path;
};

namespace {

constexpr mode_t usualMode = 0644;

bool failed(const std::string& path, std::string& error)
{
    error = path + ": " + std::strerror(errno);
    return false;
}

// write, resumed where it stopped short.
bool writeAll(int descriptor, std::string_view bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t moved = ::write(descriptor, bytes.data() + done, bytes.size() - done);
        if (moved < 0 && errno == EINTR) continue;
        if (moved <= 0) return false;
        done += static_cast<std::size_t>(moved);
    }
    return true;
}

bool flushPath(const std::string& path, int flags, std::string& error)
{
    const int descriptor = ::open(path.c_str(), flags | O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return failed(path, error);
    const bool synced = ::fsync(descriptor) == 0;
    if (!synced) failed(path, error);
    if (::close(descriptor) != 0 && synced) return failed(path, error);
    return synced;
}

// pread or pwrite of exactly size bytes, resumed where the call stopped short.
template <typename Bytes, typename Move>
bool moveAt(const OpenFile* file, std::uint64_t offset, Bytes* bytes, std::size_t size, Move move, std::string& error)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t moved = move(file->descriptor, bytes + done, size - done, static_cast<off_t>(offset + done));
        if (moved < 0 && errno == EINTR) continue;
        if (moved < 0) return failed(file->path, error);
        if (moved == 0) {
            error = file->path + ": the file is cut short";
            return false;
        }
        done += static_cast<std::size_t>(moved);
    }
    return true;
}

}  // namespace

bool writeNewFileDurably(const std::string& path, std::string_view bytes, const std::string& likeFile,
                         std::string& error)
{
    struct stat like {};
    const mode_t mode = ::stat(likeFile.c_str(), &like) == 0 ? (like.st_mode & 07777) : usualMode;
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor < 0) return failed(path, error);
    const bool written = writeAll(descriptor, bytes) && ::fchmod(descriptor, mode) == 0 && ::fsync(descriptor) == 0;
    if (!written) failed(path, error);
    if (::close(descriptor) != 0 && written) return failed(path, error);
    return written;
}

bool flushFile(const std::string& path, std::string& error) { return flushPath(path, 0, error); }

bool flushFolder(const std::string& path, std::string& error) { return flushPath(path, O_DIRECTORY, error); }

bool moveReplacing(const std::string& from, const std::string& to, std::string& error)
{
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    error = from + " to " + to + ": " + std::strerror(errno);
    return false;
}

Exchange exchangeFolders(const std::string& first, const std::string& second, std::string& error)
{
#ifdef RENAME_EXCHANGE
    if (::renameat2(AT_FDCWD, first.c_str(), AT_FDCWD, second.c_str(), RENAME_EXCHANGE) == 0)
        return Exchange::exchanged;
    const bool unsupported = errno == EINVAL || errno == ENOSYS || errno == ENOTSUP;
    error = first + " with " + second + ": " + std::strerror(errno);
    return unsupported ? Exchange::notSupported : Exchange::failed;
#else
    error = first + " with " + second + ": folders cannot be exchanged on this system";
    return Exchange::notSupported;
#endif
}

std::string makePrivateFolder(const std::string& parent, std::string_view prefix, std::string& error)
{
    std::string pattern = parent + "/" + std::string(prefix) + "XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) return pattern;
    failed(parent, error);
    return {};
}

Entry entryAt(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return Entry::missing;
    if (S_ISLNK(info.st_mode)) return ::stat(path.c_str(), &info) == 0 ? Entry::link : Entry::danglingLink;
    return S_ISDIR(info.st_mode) ? Entry::folder : Entry::file;
}

Identity identityOf(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return {};
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

bool removeEntry(const std::string& path, std::string& error)
{
    const int flags = entryAt(path) == Entry::folder ? AT_REMOVEDIR : 0;
    return ::unlinkat(AT_FDCWD, path.c_str(), flags) == 0 || failed(path, error);
}

RunLock* takeRunLock(const std::string& path, bool& held, std::string& error)
{
    held = false;
    const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (descriptor < 0) {
        failed(path, error);
        return nullptr;
    }
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        held = errno == EWOULDBLOCK;
        failed(path, error);
        ::close(descriptor);
        return nullptr;
    }
    return new RunLock{descriptor};
}

void releaseRunLock(RunLock* lock)
{
    if (lock == nullptr) return;
    ::close(lock->descriptor);
    delete lock;
}

OpenFile* openPositioned(const std::string& path, bool writable, std::string& error)
{
    const int descriptor = ::open(path.c_str(), (writable ? O_RDWR | O_CREAT : O_RDONLY) | O_CLOEXEC, 0600);
    if (descriptor >= 0) return new OpenFile{descriptor, path};
    failed(path, error);
    return nullptr;
}

bool writeAt(OpenFile* file, std::uint64_t offset, const void* bytes, std::size_t size, std::string& error)
{
    return moveAt(file, offset, static_cast<const char*>(bytes), size, ::pwrite, error);
}

bool readAt(OpenFile* file, std::uint64_t offset, void* bytes, std::size_t size, std::string& error)
{
    return moveAt(file, offset, static_cast<char*>(bytes), size, ::pread, error);
}

bool closeFile(OpenFile* file, std::string& error)
{
    const bool closed = ::close(file->descriptor) == 0;
    if (!closed) failed(file->path, error);
    delete file;
    return closed;
}

}  // namespace platform
