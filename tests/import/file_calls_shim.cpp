// Preloaded into a program under test to see and break its file moves: logs
// every rename, folder exchange and fsync to $VELMARA_SHIM_LOG ("rename FROM
// TO", "exchange FROM TO", "fsync PATH"), and fails with EIO every rename or
// exchange whose source contains $VELMARA_SHIM_FAIL_FROM or whose target
// contains $VELMARA_SHIM_FAIL_TO; with $VELMARA_SHIM_NO_EXCHANGE set, the
// file system cannot exchange folders. The process is killed before the
// first call whose log line ends with $VELMARA_SHIM_KILL_AT.
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void logLine(const char* what, const char* first, const char* second)
{
    char line[8300];
    if (second != nullptr)
        std::snprintf(line, sizeof line, "%s %s %s", what, first, second);
    else
        std::snprintf(line, sizeof line, "%s %s", what, first);
    const char* path = std::getenv("VELMARA_SHIM_LOG");
    if (std::FILE* log = path != nullptr ? std::fopen(path, "a") : nullptr) {
        std::fprintf(log, "%s\n", line);
        std::fclose(log);
    }
    const char* killAt = std::getenv("VELMARA_SHIM_KILL_AT");
    const std::size_t length = std::strlen(line), killLength = killAt != nullptr ? std::strlen(killAt) : 0;
    if (killLength > 0 && killLength <= length && std::strcmp(line + length - killLength, killAt) == 0)
        ::kill(::getpid(), SIGKILL);
}

bool contains(const char* text, const char* variable)
{
    const char* part = std::getenv(variable);
    return part != nullptr && *part != '\0' && std::strstr(text, part) != nullptr;
}

}  // namespace

extern "C" int rename(const char* from, const char* to)
{
    static const auto real = reinterpret_cast<int (*)(const char*, const char*)>(dlsym(RTLD_NEXT, "rename"));
    logLine("rename", from, to);
    if (contains(from, "VELMARA_SHIM_FAIL_FROM") || contains(to, "VELMARA_SHIM_FAIL_TO")) {
        errno = EIO;
        return -1;
    }
    return real(from, to);
}

extern "C" int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned flags)
{
    using Call = int (*)(int, const char*, int, const char*, unsigned);
    static const auto real = reinterpret_cast<Call>(dlsym(RTLD_NEXT, "renameat2"));
    logLine(flags == RENAME_EXCHANGE ? "exchange" : "rename", from, to);
    const char* noExchange = std::getenv("VELMARA_SHIM_NO_EXCHANGE");
    if (flags == RENAME_EXCHANGE && noExchange != nullptr && *noExchange != '\0') {
        errno = EINVAL;
        return -1;
    }
    if (contains(from, "VELMARA_SHIM_FAIL_FROM") || contains(to, "VELMARA_SHIM_FAIL_TO")) {
        errno = EIO;
        return -1;
    }
    return real(fromFolder, from, toFolder, to, flags);
}

extern "C" int fsync(int descriptor)
{
    static const auto real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"));
    char link[64];
    char path[4096] = {};
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", descriptor);
    if (::readlink(link, path, sizeof path - 1) > 0) logLine("fsync", path, nullptr);
    return real(descriptor);
}
