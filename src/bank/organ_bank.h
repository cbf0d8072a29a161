// The organ that is loaded: up to 100 stops with their names, button
// rectangles and on flags, 61 whole WAV file images per stop, the number of
// stops and the current stop; and the loading of an organ definition.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bank/key_numbering.h"
#include "bank/sample_buffer.h"
#include "display/logical_rect.h"

constexpr int maxStops = 100;
constexpr int stopNameCapacity = 32;  // at most 31 bytes and a zero

struct StopRecord {
    LogicalRect rect;
    char name[stopNameCapacity];
    std::uint8_t on;
};

struct OrganBank {
    StopRecord stops[maxStops];
    // Bytes in the file loaded into the slot, header included; 0 while empty.
    std::int32_t sampleSize[maxStops][keyCount];
    // The slot's buffer: 2 x sampleSize bytes, the file image first, then
    // zeros; read as signed 16-bit little-endian entries. Null while empty.
    SampleBuffer sampleData[maxStops][keyCount];
    std::int32_t stopCount;
    std::int32_t currentStop;
};

// Held for the life of the process: no exit releases a sample buffer.
extern OrganBank& organBank;

extern const char* const noteNames[12];

constexpr const char* sampleRoot = "..\\BRIMWELL\\";

// The mixer plays bytes 160 to 99,999 of every sample, so a shorter file is
// refused when the organ loads.
constexpr std::int32_t minSampleBytes = 100000;

// The mixer takes a sample's bytes as stereo frames of 4 bytes counted from
// its first byte and plays them from byte 160 on, so a sample's sound must
// begin at or before that byte, a whole number of frames from it.
constexpr std::uint64_t firstHeardByte = 160;
constexpr std::uint64_t sampleFrameBytes = 4;

// Reads the definition at path and loads every stop's 61 samples into the
// bank; stopCount is the number of stops. Ends the process as
// readStopNames and loadStopSamples do.
void loadOrgan(const char* path);

// The stop names of the definition at path, in order: of each line the run
// of name characters it begins with, up to the line "END" or the end of the
// text. A longer list than maxStops is cut there, with a line on standard
// error. A file that cannot be opened ends the process with
// exitDefinitionUnreadable.
std::vector<std::string> readStopNames(const char* path);

// "0%2d-%s.wav" of the key's MIDI note and note name: "037-C#.wav" for key 1.
std::string sampleFileName(int key);

// "..\BRIMWELL\" + stop name + "\" + the key's sample file name, e.g.
// "..\BRIMWELL\Stop1\037-C#.wav" for key 1.
std::string samplePath(const char* stopName, int key);

// Loads the 61 samples of the stop into its slots, each earlier buffer
// released only once its replacement is in. A sample that cannot be loaded
// ends the process at once with exitSampleMissing, after "Unable to load
// file" and its path on standard error.
void loadStopSamples(int stop, const char* name);

// The whole file at path in a sample buffer of twice its size (the file
// image, then zeros), or null when it cannot be opened, is empty or cannot be
// held in memory. A file not beginning with "RI", whose chunks describe
// anything but 44,100 Hz 16-bit stereo PCM, whose sound does not begin on a
// frame at or before firstHeardByte, or shorter than minSampleBytes ends the
// process with exitSampleRefused (all but the first after a line naming the
// file).
SampleBuffer loadWaveImage(const char* path, std::int32_t& size);
