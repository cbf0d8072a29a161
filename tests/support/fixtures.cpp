// Test fixtures written at run time (see fixtures.h).
#include "support/fixtures.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>

namespace fixtures {

namespace fs = std::filesystem;

namespace {

void put16(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

void putTag(std::vector<std::uint8_t>& out, const char* tag)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[i]));
}

fs::path uniqueRoot()
{
    std::random_device seed;
    std::mt19937_64 random(seed());
    return fs::temp_directory_path() / ("velmara-test-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
}

}  // namespace

OrganDirectory::OrganDirectory()
    : root(uniqueRoot()), workingDirectory(root / "Orgue"), brimwell(root / "BRIMWELL"),
      previous(fs::current_path())
{
    fs::create_directories(workingDirectory);
    fs::create_directories(brimwell);
    fs::current_path(workingDirectory);
}

OrganDirectory::~OrganDirectory()
{
    std::error_code ignored;
    fs::current_path(previous, ignored);
    fs::remove_all(root, ignored);
}

void writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> waveImage(const std::vector<std::int16_t>& samples)
{
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::vector<std::uint8_t> out;
    putTag(out, "RIFF");
    put32(out, 36 + dataBytes);
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    put32(out, 16);
    put16(out, 1);
    put16(out, 2);
    put32(out, 44100);
    put32(out, 44100 * 4);
    put16(out, 4);
    put16(out, 16);
    putTag(out, "data");
    put32(out, dataBytes);
    for (std::int16_t sample : samples) put16(out, static_cast<std::uint16_t>(sample));
    return out;
}

std::vector<std::uint8_t> waveImageOfSize(std::size_t totalBytes, std::int16_t (*valueAt)(std::size_t))
{
    std::vector<std::int16_t> samples;
    const std::size_t entries = totalBytes > 44 ? (totalBytes - 44) / 2 : 0;
    for (std::size_t j = 0; j < entries; ++j) samples.push_back(valueAt(22 + j));
    std::vector<std::uint8_t> image = waveImage(samples);
    image.resize(totalBytes, 0);
    return image;
}

std::vector<std::uint8_t> bmpImage(int width, int height, std::uint32_t rgb)
{
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const std::uint32_t imageSize = rowBytes * static_cast<std::uint32_t>(height);
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    put32(out, 54 + imageSize);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);
    put32(out, imageSize);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            out.push_back(static_cast<std::uint8_t>(rgb & 0xFF));
            out.push_back(static_cast<std::uint8_t>((rgb >> 8) & 0xFF));
            out.push_back(static_cast<std::uint8_t>((rgb >> 16) & 0xFF));
        }
        out.resize(out.size() + (rowBytes - static_cast<std::uint32_t>(width) * 3), 0);
    }
    return out;
}

std::vector<std::string> sampleFileNames()
{
    static const char* const names[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    std::vector<std::string> files;
    for (int k = 0; k < 61; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "0%2d-%s.wav", k + 36, names[k % 12]);
        files.emplace_back(name);
    }
    return files;
}

void writeStop(const OrganDirectory& organ, const std::string& stopName, const std::vector<std::uint8_t>& image)
{
    for (const std::string& file : sampleFileNames()) writeFile(organ.brimwell / stopName / file, image);
}

void writeButtons(const OrganDirectory& organ, int width, int height)
{
    writeFile(organ.brimwell / "boutons" / "on.bmp", bmpImage(width, height, 0xC08020));
    writeFile(organ.brimwell / "boutons" / "of.bmp", bmpImage(width, height, 0x404040));
}

}  // namespace fixtures
