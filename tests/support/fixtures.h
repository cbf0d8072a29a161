// Test fixtures written at run time: a throwaway working directory laid out
// as the system expects (a folder beside BRIMWELL), WAV samples, BMP button
// images and organ definitions.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace fixtures {

// A fresh directory tree root/Orgue (made the working directory while the
// object lives) beside root/BRIMWELL; removed again on destruction.
class OrganDirectory {
public:
    OrganDirectory();
    ~OrganDirectory();
    OrganDirectory(const OrganDirectory&) = delete;
    OrganDirectory& operator=(const OrganDirectory&) = delete;

    std::filesystem::path root;
    std::filesystem::path workingDirectory;  // root/Orgue
    std::filesystem::path brimwell;          // root/BRIMWELL

private:
    std::filesystem::path previous;
};

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> readFile(const std::filesystem::path& path);

// A canonical 44-byte-header RIFF/WAVE image, 44,100 Hz 16-bit stereo, of
// the given interleaved samples.
std::vector<std::uint8_t> waveImage(const std::vector<std::int16_t>& samples);

// A wave image of exactly totalBytes bytes whose sample entry i (counted from
// the file's first byte) is valueAt(i) from entry 22 (after the header) on.
std::vector<std::uint8_t> waveImageOfSize(std::size_t totalBytes, std::int16_t (*valueAt)(std::size_t));

// A 24-bit bottom-up BMP with a 40-byte header, no colour table and its
// image-size field set; every pixel the given 0x00RRGGBB colour.
std::vector<std::uint8_t> bmpImage(int width, int height, std::uint32_t rgb);

// The file names of the 61 samples of a stop, 036-C.wav to 096-C.wav.
std::vector<std::string> sampleFileNames();

// Writes a stop directory under BRIMWELL holding all 61 samples, each the
// given image.
void writeStop(const OrganDirectory& organ, const std::string& stopName, const std::vector<std::uint8_t>& image);

// Writes on.bmp and of.bmp into BRIMWELL/boutons.
void writeButtons(const OrganDirectory& organ, int width = 100, int height = 64);

}  // namespace fixtures
