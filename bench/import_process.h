// velmara-import run as the user runs it, a process of its own with its
// output thrown away, for the benchmarks that time it.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>

extern char** environ;

// Imports the source (a folder or an organ) into brimwell; the peak
// resident memory of the import in MiB, or a negative number when it did
// not end with status 0.
inline double importInto(const std::filesystem::path& brimwell, const std::filesystem::path& source)
{
    const std::string into = brimwell.string(), from = source.string();
    char* argv[] = {const_cast<char*>(VELMARA_IMPORT), const_cast<char*>("--into"), const_cast<char*>(into.c_str()),
                    const_cast<char*>(from.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int status = -1;
    rusage usage{};
    if (posix_spawn(&pid, VELMARA_IMPORT, &actions, nullptr, argv, environ) == 0) ::wait4(pid, &status, 0, &usage);
    posix_spawn_file_actions_destroy(&actions);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? static_cast<double>(usage.ru_maxrss) / 1024 : -1;
}
