// What the importer's suites share: running the real velmara-import, writing
// recordings as they come from recorders, and looking at what comes out.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace importtest {

struct Outcome {
    int status;  // the exit status, -1 when it did not exit
    std::string out, err;
};

// Runs velmara-import with the arguments, capturing both outputs;
// environment entries ("NAME=value") go before the test's own.
Outcome runImport(const std::vector<std::string>& arguments, const std::vector<std::string>& environment = {});

double noteFrequency(double midiNote);

// A pipe-like tone (fundamental 0.6, octave 0.25 and twelfth 0.15 of the
// peak) after `lead` seconds of silence or hiss, `seconds` long, on every
// channel.
std::vector<float> tone(int rate, int channels, double frequency, double peak, double lead, double seconds, float hiss);

void writeSndfile(const std::filesystem::path& path, int format, int rate, int channels,
                  const std::vector<float>& samples);
// 16-bit stereo WavPack, whatever the file is called; with a chunk, inside
// a RIFF wrapper that keeps it after the audio; hybrid, lossy at 3 bits a
// sample with its correction file beside it (path + "c"), when asked.
void writeWavpack(const std::filesystem::path& path, int rate, const std::vector<float>& stereo,
                  const std::vector<std::uint8_t>& trailingChunk = {}, bool hybrid = false);

// The organ's folder (its definition Test.organ and the recordings it
// names) packed as an .orgue: its files under "organ/", stored, with the
// index naming the definition.
void writePackage(const std::filesystem::path& folder, const std::filesystem::path& package);

// The samples as 16-bit values, full scale 32,767.
std::vector<std::int16_t> pcm(const std::vector<float>& samples);

// Writes the value little-endian at the byte `at`, growing the bytes as needed.
void put32(std::vector<std::uint8_t>& bytes, std::uint32_t value, std::size_t at);

// Every file and folder under root with its bytes, but for the lock every
// run locks (it stays in place).
std::map<std::string, std::vector<std::uint8_t>> snapshot(const std::filesystem::path& root);

// The fundamental of a sound at 44,100 Hz from its rising zero crossings
// between 0.1 s and 0.5 s: the test tone crosses zero rising once a period,
// whatever its harmonics.
double measuredFrequency(const std::vector<double>& sound);

}  // namespace importtest
