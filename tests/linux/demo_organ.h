// The demo organ as the tests read it: its stop names and, per stop and key,
// the play window the organ plays (entries 80 to 49,999 of the sample file
// read as 16-bit values, 24,960 stereo frames).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace linux_test {

constexpr int windowFrames = 24960;

class DemoOrgan {
public:
    // The directory holding BRIMWELL and the working directory Orgue.
    static std::string root();
    static std::string definition();
    static std::string workingDirectory();
    static std::string sampleFile(const std::string& stop, int note);

    // False when the definition cannot be read.
    bool read();
    const std::vector<std::string>& stops() const { return stops_; }

    // Interleaved left, right; empty when the file cannot be read.
    static std::vector<std::int16_t> playWindow(const std::string& stop, int note);

private:
    std::vector<std::string> stops_;
};

// The play window of any sample file of the organ's form; empty when it
// cannot be read.
std::vector<std::int16_t> playWindowOfFile(const std::string& path);

// The index of the first frame whose left or right value is not zero.
std::size_t firstSoundingFrame(const std::vector<std::int16_t>& window);

}  // namespace linux_test
