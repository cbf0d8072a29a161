// The test's side of the ALSA sequencer stand-in (sequencer_standin/): the
// script naming the ports Wine lists and the calls to refuse, the named pipe
// the ports' MIDI bytes are played into, and the log of what the program
// subscribed to.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "wine_programs.h"

namespace wine {

class SequencerStandin {
public:
    // Refusals are script lines without the word "refuse": "connect",
    // "open 2".
    SequencerStandin(const std::filesystem::path& directory, const std::vector<std::string>& ports,
                     const std::vector<std::string>& refusals = {});
    ~SequencerStandin();
    SequencerStandin(const SequencerStandin&) = delete;
    SequencerStandin& operator=(const SequencerStandin&) = delete;

    // LD_PRELOAD and VELMARA_SEQUENCER_SCRIPT, for the program's environment.
    Arguments environment() const;

    // Sends MIDI bytes written as hexadecimal text ("90 3C 64 40 64"),
    // whole; false when the program stopped taking them.
    bool play(const std::string& bytes) const;

    // What the stand-in recorded, a line each: "subscribed to NAME",
    // "refused subscription to NAME", "refused open N".
    std::vector<std::string> log() const;

private:
    std::filesystem::path script;
    std::filesystem::path events;
    std::filesystem::path logFile;
    int pipe = -1;
};

}  // namespace wine
