// The organ bank's tables and the organ definition reader: one stop name per
// line up to "END" or the end of the text, then 61 samples loaded per stop.
#include "bank/organ_bank.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "bank/text_scanner.h"
#include "platform/process.h"

OrganBank& organBank = *new OrganBank();

const char* const noteNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

namespace {

void storeName(StopRecord& stop, const char* token)
{
    const std::size_t length = std::min(std::strlen(token), static_cast<std::size_t>(stopNameCapacity - 1));
    std::memcpy(stop.name, token, length);
    stop.name[length] = '\0';
}

}  // namespace

std::string sampleFileName(int key)
{
    char fileName[32];
    std::snprintf(fileName, sizeof fileName, "0%2d-%s.wav", key + firstMidiNote, noteNames[key % 12]);
    return fileName;
}

std::string samplePath(const char* stopName, int key)
{
    return std::string(sampleRoot) + stopName + "\\" + sampleFileName(key);
}

void loadStopSamples(int stop, const char* name)
{
    for (int key = 0; key < keyCount; ++key) {
        const std::string path = samplePath(name, key);
        std::int32_t size = 0;
        SampleBuffer image = loadWaveImage(path.c_str(), size);
        if (image == nullptr) {
            std::fputs("Unable to load file\n", stderr);
            std::fprintf(stderr, "%s\n", path.c_str());
            platform::exitImmediately(platform::exitSampleMissing);
        }
        organBank.sampleSize[stop][key] = size;
        // The earlier buffer of the slot goes only now that its replacement is in.
        organBank.sampleData[stop][key] = std::move(image);
    }
}

std::vector<std::string> readStopNames(const char* path)
{
    TextScanner scanner;
    scanner.load(path);
    std::vector<std::string> names;
    char token[tokenCapacity];
    while (!scanner.atEnd()) {
        scanner.readToken(token);
        if (std::strcmp(token, "END") == 0) break;
        if (static_cast<int>(names.size()) == maxStops) {
            std::fprintf(stderr, "The organ definition lists more than %d stops: the first %d are loaded, the rest ignored\n",
                         maxStops, maxStops);
            break;
        }
        scanner.skipLine();
        names.emplace_back(token);
    }
    return names;
}

void loadOrgan(const char* path)
{
    const std::vector<std::string> names = readStopNames(path);
    organBank.stopCount = 0;
    for (const std::string& name : names) {
        storeName(organBank.stops[organBank.stopCount], name.c_str());
        loadStopSamples(organBank.stopCount, name.c_str());
        ++organBank.stopCount;
    }
}
