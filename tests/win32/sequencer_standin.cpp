// The stand-in's script and log are plain files; its pipe is opened for
// reading and writing here too, so writes never wait for Wine to open it.
#include "sequencer_standin.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

namespace wine {

namespace fs = std::filesystem;

SequencerStandin::SequencerStandin(const fs::path& directory, const std::vector<std::string>& ports,
                                   const std::vector<std::string>& refusals)
    : script(directory / "sequencer.script"), events(directory / "sequencer.events"),
      logFile(directory / "sequencer.log")
{
    fs::remove(events);
    fs::remove(logFile);
    ::mkfifo(events.c_str(), 0600);
    pipe = ::open(events.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    std::ofstream file(script);
    for (const std::string& port : ports) file << "port " << port << "\n";
    for (const std::string& refusal : refusals) file << "refuse " << refusal << "\n";
    file << "events " << events.string() << "\nlog " << logFile.string() << "\n";
}

SequencerStandin::~SequencerStandin()
{
    if (pipe >= 0) ::close(pipe);
}

Arguments SequencerStandin::environment() const
{
    return {std::string("LD_PRELOAD=") + VELMARA_SEQUENCER_STANDIN, "VELMARA_SEQUENCER_SCRIPT=" + script.string()};
}

// A full pipe is waited on for at most 10 s: a program that stopped reading
// fails the test rather than hanging it.
bool SequencerStandin::play(const std::string& bytes) const
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(pipe, bytes.data() + written, bytes.size() - written);
        if (count > 0) {
            written += static_cast<std::size_t>(count);
            continue;
        }
        pollfd writable = {pipe, POLLOUT, 0};
        if (count < 0 && errno != EAGAIN) return false;
        if (::poll(&writable, 1, 10000) != 1) return false;
    }
    return true;
}

std::vector<std::string> SequencerStandin::log() const
{
    std::ifstream file(logFile);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

}  // namespace wine
