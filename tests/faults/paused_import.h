// A run of velmara-import with the fault injector preloaded that stops
// before each of the given file-changing calls, so that a test can fork a
// child from it there that takes a fault at that call, and look at what the
// child leaves before the run goes on.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace faulttest {

class PausedImport {
public:
    // Starts the run; its output and its children's go to files in `scratch`.
    PausedImport(const std::vector<std::string>& arguments, const std::vector<long>& pauses,
                 const std::filesystem::path& scratch);
    ~PausedImport();
    PausedImport(const PausedImport&) = delete;
    PausedImport& operator=(const PausedImport&) = delete;

    // The call it stopped before next; nothing once the run has ended.
    std::optional<long> nextPause();
    // Forks a child that takes the fault ("eio", "enospc", "kill") and runs
    // on; its wait status once it ended.
    int forkWithFault(const std::string& fault);
    // What the last child wrote to its output and error.
    std::string childOutput() const;
    // Makes the call and runs on to the next pause.
    void resume();
    // Once the run has ended: its exit status (-1 when it did not exit) and
    // the number of calls it counted.
    int exitStatus();
    long countedCalls() const;

private:
    std::string replyLine();
    void command(const std::string& line);

    std::filesystem::path scratch;
    pid_t pid = -1;
    int commands = -1, replies = -1;
};

}  // namespace faulttest
