// A paused run of velmara-import (see paused_import.h).
#include "paused_import.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>

#include "support/fixtures.h"

extern char** environ;

namespace faulttest {

namespace fs = std::filesystem;

namespace {

std::string textOf(const fs::path& file)
{
    const std::vector<std::uint8_t> bytes = fixtures::readFile(file);
    return {bytes.begin(), bytes.end()};
}

}  // namespace

PausedImport::PausedImport(const std::vector<std::string>& arguments, const std::vector<long>& pauses,
                           const fs::path& scratchFolder)
    : scratch(scratchFolder)
{
    std::signal(SIGPIPE, SIG_IGN);  // a run that is gone is an error of its own, not the end of the test
    int toRun[2], fromRun[2];
    if (::pipe2(toRun, O_CLOEXEC) != 0 || ::pipe2(fromRun, O_CLOEXEC) != 0) throw std::runtime_error("no pipe");
    commands = toRun[1], replies = fromRun[0];
    std::string points;
    for (long n : pauses) points += (points.empty() ? "" : ",") + std::to_string(n);
    std::vector<std::string> environment{
        std::string("LD_PRELOAD=") + FAULT_INJECTOR,
        "VELMARA_FAULT_PAUSES=" + points,
        "VELMARA_FAULT_CONTROL=3,4",
        "VELMARA_FAULT_CHILD_OUTPUT=" + (scratch / "child.out").string(),
        "VELMARA_FAULT_COUNT=" + (scratch / "count").string(),
    };
    std::vector<char*> envp, argv{const_cast<char*>(VELMARA_IMPORT)};
    for (std::string& entry : environment) envp.push_back(entry.data());
    for (char** entry = environ; *entry != nullptr; ++entry) envp.push_back(*entry);
    envp.push_back(nullptr);
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const std::string output = (scratch / "run.out").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_adddup2(&actions, toRun[0], 3);
    posix_spawn_file_actions_adddup2(&actions, fromRun[1], 4);
    const int spawned = posix_spawn(&pid, VELMARA_IMPORT, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(toRun[0]);
    ::close(fromRun[1]);
    if (spawned != 0) throw std::runtime_error("velmara-import cannot be started");
}

PausedImport::~PausedImport()
{
    ::close(commands);
    ::close(replies);
    if (pid > 0) ::waitpid(pid, nullptr, 0);
}

std::string PausedImport::replyLine()
{
    std::string line;
    char byte = 0;
    while (::read(replies, &byte, 1) == 1 && byte != '\n') line += byte;
    return line;
}

void PausedImport::command(const std::string& line)
{
    const std::string text = line + "\n";
    if (::write(commands, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        throw std::runtime_error("the paused run is gone");
}

std::optional<long> PausedImport::nextPause()
{
    const std::string line = replyLine();
    return line.empty() ? std::nullopt : std::optional<long>(std::stol(line));
}

int PausedImport::forkWithFault(const std::string& fault)
{
    command(fault);
    return std::stoi(replyLine());
}

std::string PausedImport::childOutput() const { return textOf(scratch / "child.out"); }

void PausedImport::resume() { command("go"); }

int PausedImport::exitStatus()
{
    int status = -1;
    ::waitpid(pid, &status, 0);
    pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

long PausedImport::countedCalls() const { return std::stol("0" + textOf(scratch / "count")); }

}  // namespace faulttest
