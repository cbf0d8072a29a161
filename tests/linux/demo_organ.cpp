// Reading the demo organ for the tests (see demo_organ.h).
#include "demo_organ.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace linux_test {

std::string DemoOrgan::root() { return VELMARA_DEMO_DIR; }
std::string DemoOrgan::definition() { return root() + "/BRIMWELL/Brimwell.org"; }
std::string DemoOrgan::workingDirectory() { return root() + "/Orgue"; }

std::string DemoOrgan::sampleFile(const std::string& stop, int note)
{
    static const char* const names[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    char file[64];
    std::snprintf(file, sizeof file, "/0%2d-%s.wav", note, names[note % 12]);
    return root() + "/BRIMWELL/" + stop + file;
}

bool DemoOrgan::read()
{
    std::ifstream file(definition());
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line == "END") return !stops_.empty();
        stops_.push_back(line);
    }
    return false;
}

std::vector<std::int16_t> DemoOrgan::playWindow(const std::string& stop, int note)
{
    return playWindowOfFile(sampleFile(stop, note));
}

std::vector<std::int16_t> playWindowOfFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (bytes.size() < 100000) return {};
    std::vector<std::int16_t> window(2 * windowFrames);
    for (std::size_t i = 0; i < window.size(); ++i) {
        const std::size_t at = 160 + 2 * i;
        window[i] = static_cast<std::int16_t>(static_cast<unsigned char>(bytes[at]) |
                                              static_cast<unsigned char>(bytes[at + 1]) << 8);
    }
    return window;
}

std::size_t firstSoundingFrame(const std::vector<std::int16_t>& window)
{
    for (std::size_t frame = 0; 2 * frame < window.size(); ++frame)
        if (window[2 * frame] != 0 || window[2 * frame + 1] != 0) return frame;
    return window.size() / 2;
}

}  // namespace linux_test
