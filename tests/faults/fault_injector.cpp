// Preloaded into velmara-import to count the calls that change files and to
// break one of them. Counted: opens for writing or creating (open, openat,
// creat, fopen, mkstemp, mkdtemp and their 64-bit twins), writes (write,
// writev, pwrite, pwritev), flushes (fsync, fdatasync, sync_file_range),
// closes of descriptors open for writing (close, fclose), renames, folders
// made and removed, unlinks, links, truncations and mode changes. Standard
// input, output and error are not counted.
//
//   VELMARA_FAULT_LOG=FILE       one line per counted call: N, the call, its paths
//   VELMARA_FAULT_COUNT=FILE     the number of counted calls, written at exit
//   VELMARA_FAULT_AT=N           the call to break, with
//   VELMARA_FAULT_MODE=eio|enospc|kill   failing it (-1 or NULL, errno set)
//                                or killing the process (SIGKILL) just before it
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

namespace {

enum class Fault { none, eio, enospc, kill };

template <typename Function>
Function* next(const char* name)
{
    return reinterpret_cast<Function*>(dlsym(RTLD_NEXT, name));
}

// The real calls the injector itself makes, never counted.
ssize_t realWrite(int descriptor, const void* bytes, size_t size)
{
    static auto* const real = next<ssize_t(int, const void*, size_t)>("write");
    return real(descriptor, bytes, size);
}

int realOpen(const char* path, int flags)
{
    static auto* const real = next<int(const char*, int, ...)>("open");
    return real(path, flags, 0644);
}

int realClose(int descriptor)
{
    static auto* const real = next<int(int)>("close");
    return real(descriptor);
}

Fault faultNamed(const char* name)
{
    if (name == nullptr) return Fault::none;
    if (std::strcmp(name, "eio") == 0) return Fault::eio;
    if (std::strcmp(name, "enospc") == 0) return Fault::enospc;
    if (std::strcmp(name, "kill") == 0) return Fault::kill;
    return Fault::none;
}

long numberIn(const char* variable)
{
    const char* value = std::getenv(variable);
    return value != nullptr ? std::strtol(value, nullptr, 10) : 0;
}

struct Plan {
    long calls = 0;  // counted so far
    long failAt = 0;
    Fault fault = Fault::none;
    int log = -1;
};

Plan& plan()
{
    static Plan& plan = *[] {
        auto* made = new Plan;
        made->failAt = numberIn("VELMARA_FAULT_AT");
        made->fault = faultNamed(std::getenv("VELMARA_FAULT_MODE"));
        if (const char* log = std::getenv("VELMARA_FAULT_LOG"))
            made->log = realOpen(log, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC);
        return made;
    }();
    return plan;
}

// At exit: the count.
struct CountReport {
    CountReport() = default;
    CountReport(const CountReport&) = delete;
    CountReport& operator=(const CountReport&) = delete;
    ~CountReport()
    {
        const char* file = std::getenv("VELMARA_FAULT_COUNT");
        if (file == nullptr) return;
        const int descriptor = realOpen(file, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC);
        const std::string count = std::to_string(plan().calls) + "\n";
        realWrite(descriptor, count.data(), count.size());
        realClose(descriptor);
    }
} countReport;

std::string descriptorPath(int descriptor)
{
    char link[64];
    char path[4096] = {};
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", descriptor);
    return ::readlink(link, path, sizeof path - 1) > 0 ? path : "fd " + std::to_string(descriptor);
}

// A path as the call resolves it, relative ones against their folder.
std::string pathAt(int folder, const char* path)
{
    if (path == nullptr || path[0] == '/') return path != nullptr ? path : "";
    if (folder != AT_FDCWD) return descriptorPath(folder) + "/" + path;
    char cwd[4096] = {};
    return std::string(::getcwd(cwd, sizeof cwd) != nullptr ? cwd : ".") + "/" + path;
}

void logCall(long n, const char* call, const std::string& paths)
{
    const std::string line = std::to_string(n) + "\t" + call + "\t" + paths + "\n";
    realWrite(plan().log, line.data(), line.size());
}

// Counts one call that changes a file; false, with errno set, when it is to
// fail. A killed process does not return.
bool proceed(const char* call, const std::function<std::string()>& paths)
{
    Plan& p = plan();
    const long n = ++p.calls;
    if (p.log >= 0) logCall(n, call, paths());
    switch (n == p.failAt ? p.fault : Fault::none) {
    case Fault::kill:
        ::kill(::getpid(), SIGKILL);
        ::pause();
        return false;
    case Fault::eio:
        errno = EIO;
        return false;
    case Fault::enospc:
        errno = ENOSPC;
        return false;
    case Fault::none:
        break;
    }
    return true;
}

bool opensForWriting(int flags) { return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0; }

bool modeWrites(const char* mode) { return std::strpbrk(mode, "wa+") != nullptr; }

bool isWritable(int descriptor)
{
    if (descriptor <= STDERR_FILENO) return false;
    const int flags = ::fcntl(descriptor, F_GETFL);
    return flags >= 0 && (flags & O_ACCMODE) != O_RDONLY;
}

bool countsWrite(int descriptor) { return descriptor > STDERR_FILENO; }

std::function<std::string()> onDescriptor(int descriptor)
{
    return [descriptor] { return descriptorPath(descriptor); };
}

std::function<std::string()> onPath(int folder, const char* path)
{
    return [folder, path] { return pathAt(folder, path); };
}

std::function<std::string()> onPaths(int fromFolder, const char* from, int toFolder, const char* to)
{
    return [=] { return pathAt(fromFolder, from) + "\t" + pathAt(toFolder, to); };
}

mode_t modeArgument(int flags, va_list arguments)
{
    return (flags & (O_CREAT | O_TMPFILE)) != 0 ? va_arg(arguments, mode_t) : 0;
}

int openCounted(const char* name, int folder, const char* path, int flags, mode_t mode)
{
    if (opensForWriting(flags) && !proceed(name, onPath(folder, path))) return -1;
    static auto* const real = next<int(int, const char*, int, ...)>("openat");
    return real(folder, path, flags, mode);
}

int makeTemporary(const char* name, char* pattern, int flags)
{
    if (!proceed(name, onPath(AT_FDCWD, pattern))) return -1;
    static auto* const real = next<int(char*, int)>("mkostemp");
    return real(pattern, flags);
}

FILE* fopenCounted(const char* name, const char* path, const char* mode)
{
    if (modeWrites(mode) && !proceed(name, onPath(AT_FDCWD, path))) return nullptr;
    static auto* const real = next<FILE*(const char*, const char*)>("fopen");
    return real(path, mode);
}

int onDescriptorCall(const char* name, int descriptor, const std::function<int()>& call)
{
    return proceed(name, onDescriptor(descriptor)) ? call() : -1;
}

ssize_t writeCall(const char* name, int descriptor, const std::function<ssize_t()>& call)
{
    return !countsWrite(descriptor) || proceed(name, onDescriptor(descriptor)) ? call() : -1;
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeArgument(flags, arguments);
    va_end(arguments);
    return openCounted("open", AT_FDCWD, path, flags, mode);
}

int open64(const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeArgument(flags, arguments);
    va_end(arguments);
    return openCounted("open64", AT_FDCWD, path, flags, mode);
}

int openat(int folder, const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeArgument(flags, arguments);
    va_end(arguments);
    return openCounted("openat", folder, path, flags, mode);
}

int openat64(int folder, const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeArgument(flags, arguments);
    va_end(arguments);
    return openCounted("openat64", folder, path, flags, mode);
}

int creat(const char* path, mode_t mode)
{
    return openCounted("creat", AT_FDCWD, path, O_CREAT | O_WRONLY | O_TRUNC, mode);
}

int creat64(const char* path, mode_t mode)
{
    return openCounted("creat64", AT_FDCWD, path, O_CREAT | O_WRONLY | O_TRUNC, mode);
}

FILE* fopen(const char* path, const char* mode) { return fopenCounted("fopen", path, mode); }

FILE* fopen64(const char* path, const char* mode) { return fopenCounted("fopen64", path, mode); }

int mkstemp(char* pattern) { return makeTemporary("mkstemp", pattern, 0); }

int mkstemp64(char* pattern) { return makeTemporary("mkstemp64", pattern, 0); }

int mkostemp(char* pattern, int flags) { return makeTemporary("mkostemp", pattern, flags); }

int mkostemp64(char* pattern, int flags) { return makeTemporary("mkostemp64", pattern, flags); }

char* mkdtemp(char* pattern)
{
    static auto* const real = next<char*(char*)>("mkdtemp");
    return proceed("mkdtemp", onPath(AT_FDCWD, pattern)) ? real(pattern) : nullptr;
}

ssize_t write(int descriptor, const void* bytes, size_t size)
{
    return writeCall("write", descriptor, [&] { return realWrite(descriptor, bytes, size); });
}

ssize_t writev(int descriptor, const struct iovec* parts, int count)
{
    static auto* const real = next<decltype(::writev)>("writev");
    return writeCall("writev", descriptor, [&] { return real(descriptor, parts, count); });
}

ssize_t pwrite(int descriptor, const void* bytes, size_t size, off_t at)
{
    static auto* const real = next<decltype(::pwrite)>("pwrite");
    return writeCall("pwrite", descriptor, [&] { return real(descriptor, bytes, size, at); });
}

ssize_t pwrite64(int descriptor, const void* bytes, size_t size, off64_t at)
{
    static auto* const real = next<decltype(::pwrite64)>("pwrite64");
    return writeCall("pwrite64", descriptor, [&] { return real(descriptor, bytes, size, at); });
}

ssize_t pwritev(int descriptor, const struct iovec* parts, int count, off_t at)
{
    static auto* const real = next<decltype(::pwritev)>("pwritev");
    return writeCall("pwritev", descriptor, [&] { return real(descriptor, parts, count, at); });
}

ssize_t pwritev64(int descriptor, const struct iovec* parts, int count, off64_t at)
{
    static auto* const real = next<decltype(::pwritev64)>("pwritev64");
    return writeCall("pwritev64", descriptor, [&] { return real(descriptor, parts, count, at); });
}

int fsync(int descriptor)
{
    static auto* const real = next<decltype(::fsync)>("fsync");
    return onDescriptorCall("fsync", descriptor, [&] { return real(descriptor); });
}

int fdatasync(int descriptor)
{
    static auto* const real = next<decltype(::fdatasync)>("fdatasync");
    return onDescriptorCall("fdatasync", descriptor, [&] { return real(descriptor); });
}

int sync_file_range(int descriptor, off64_t from, off64_t bytes, unsigned int flags)
{
    static auto* const real = next<decltype(::sync_file_range)>("sync_file_range");
    return onDescriptorCall("sync_file_range", descriptor, [&] { return real(descriptor, from, bytes, flags); });
}

int close(int descriptor)
{
    if (isWritable(descriptor) && !proceed("close", onDescriptor(descriptor))) return -1;
    return realClose(descriptor);
}

int fclose(FILE* stream)
{
    static auto* const real = next<decltype(::fclose)>("fclose");
    const int descriptor = stream != nullptr ? ::fileno(stream) : -1;
    if (isWritable(descriptor) && !proceed("fclose", onDescriptor(descriptor))) return EOF;
    return real(stream);
}

int ftruncate(int descriptor, off_t size)
{
    static auto* const real = next<decltype(::ftruncate)>("ftruncate");
    return onDescriptorCall("ftruncate", descriptor, [&] { return real(descriptor, size); });
}

int ftruncate64(int descriptor, off64_t size)
{
    static auto* const real = next<decltype(::ftruncate64)>("ftruncate64");
    return onDescriptorCall("ftruncate64", descriptor, [&] { return real(descriptor, size); });
}

int fchmod(int descriptor, mode_t mode)
{
    static auto* const real = next<decltype(::fchmod)>("fchmod");
    return onDescriptorCall("fchmod", descriptor, [&] { return real(descriptor, mode); });
}

int rename(const char* from, const char* to)
{
    static auto* const real = next<decltype(::rename)>("rename");
    return proceed("rename", onPaths(AT_FDCWD, from, AT_FDCWD, to)) ? real(from, to) : -1;
}

int renameat(int fromFolder, const char* from, int toFolder, const char* to)
{
    static auto* const real = next<decltype(::renameat)>("renameat");
    return proceed("renameat", onPaths(fromFolder, from, toFolder, to)) ? real(fromFolder, from, toFolder, to) : -1;
}

int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned int flags)
{
    static auto* const real = next<decltype(::renameat2)>("renameat2");
    return proceed("renameat2", onPaths(fromFolder, from, toFolder, to)) ? real(fromFolder, from, toFolder, to, flags)
                                                                         : -1;
}

int mkdir(const char* path, mode_t mode)
{
    static auto* const real = next<decltype(::mkdir)>("mkdir");
    return proceed("mkdir", onPath(AT_FDCWD, path)) ? real(path, mode) : -1;
}

int mkdirat(int folder, const char* path, mode_t mode)
{
    static auto* const real = next<decltype(::mkdirat)>("mkdirat");
    return proceed("mkdirat", onPath(folder, path)) ? real(folder, path, mode) : -1;
}

int unlink(const char* path)
{
    static auto* const real = next<decltype(::unlink)>("unlink");
    return proceed("unlink", onPath(AT_FDCWD, path)) ? real(path) : -1;
}

int unlinkat(int folder, const char* path, int flags)
{
    static auto* const real = next<decltype(::unlinkat)>("unlinkat");
    return proceed("unlinkat", onPath(folder, path)) ? real(folder, path, flags) : -1;
}

int rmdir(const char* path)
{
    static auto* const real = next<decltype(::rmdir)>("rmdir");
    return proceed("rmdir", onPath(AT_FDCWD, path)) ? real(path) : -1;
}

int remove(const char* path)
{
    static auto* const real = next<decltype(::remove)>("remove");
    return proceed("remove", onPath(AT_FDCWD, path)) ? real(path) : -1;
}

int link(const char* from, const char* to)
{
    static auto* const real = next<decltype(::link)>("link");
    return proceed("link", onPaths(AT_FDCWD, from, AT_FDCWD, to)) ? real(from, to) : -1;
}

int linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags)
{
    static auto* const real = next<decltype(::linkat)>("linkat");
    return proceed("linkat", onPaths(fromFolder, from, toFolder, to)) ? real(fromFolder, from, toFolder, to, flags)
                                                                      : -1;
}

int symlink(const char* target, const char* path)
{
    static auto* const real = next<decltype(::symlink)>("symlink");
    return proceed("symlink", onPath(AT_FDCWD, path)) ? real(target, path) : -1;
}

int symlinkat(const char* target, int folder, const char* path)
{
    static auto* const real = next<decltype(::symlinkat)>("symlinkat");
    return proceed("symlinkat", onPath(folder, path)) ? real(target, folder, path) : -1;
}

}  // extern "C"
