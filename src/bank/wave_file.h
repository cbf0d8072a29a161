// RIFF/WAVE files in the organ's one sound format, 44,100 Hz, 16-bit, two
// channels: the sample files the bank loads, any recording of what the organ
// played, and what a file's own chunks say it holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The canonical header writeWaveFile puts before the frames.
constexpr std::uint32_t waveHeaderBytes = 44;

// What the "fmt " chunk of a RIFF/WAVE image says its data holds.
struct WaveFormat {
    std::uint16_t encoding;  // 1 integer PCM, 3 IEEE float, ...; of WAVE_FORMAT_EXTENSIBLE, its subformat
    std::uint16_t channels;
    std::uint32_t sampleRate;
    std::uint16_t bitsPerSample;
};

constexpr std::uint16_t waveEncodingPcm = 1;
constexpr std::uint16_t waveEncodingFloat = 3;
constexpr std::uint16_t waveEncodingExtensible = 0xFFFE;  // left as is when the subformat is no known one

// Writes interleaved left/right frames after the canonical 44-byte header
// (RIFF, a 16-byte "fmt " chunk, "data"); false when the file cannot be
// written whole.
bool writeWaveFile(const std::filesystem::path& path, const std::vector<std::int16_t>& interleavedStereo);

// The first "fmt " chunk of the image, found by walking its chunks from the
// "RIFF....WAVE" header; nothing when the image is no RIFF/WAVE file or
// holds no whole format chunk within its bytes.
std::optional<WaveFormat> readWaveFormat(const std::uint8_t* image, std::size_t bytes);

// Where the sound begins: the byte after the header of the first "data"
// chunk, found by walking the chunks as readWaveFormat does (44 in a plain
// file); nothing when the image is no RIFF/WAVE file or no data chunk
// begins within its bytes. The chunk's size is not looked at.
std::optional<std::uint64_t> waveSoundOffset(const std::uint8_t* image, std::size_t bytes);

// True for the one format the organ plays: 44,100 Hz 16-bit integer PCM,
// two channels.
bool isOrganFormat(const WaveFormat& format);

// "48000 Hz, 24-bit, 1 channel", "44100 Hz, 32-bit float, 2 channels", or
// with ", encoding 0x0011" for any other encoding.
std::string describeWaveFormat(const WaveFormat& format);
