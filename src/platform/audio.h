// The audio output: one device opened for a PCM format, fed one block at a
// time through a header the caller owns, reporting each finished block to a
// callback on a thread of its own.
#pragma once

#include <cstdint>

#include "platform/device_errors.h"

namespace platform {

struct WaveFormat {
    std::uint16_t formatTag;       // 1: PCM
    std::uint16_t channels;
    std::uint32_t samplesPerSec;
    std::uint32_t avgBytesPerSec;
    std::uint16_t blockAlign;
    std::uint16_t bitsPerSample;
    std::uint16_t cbSize;
};

// The one header through which a block is handed to the device.
struct WaveHeader {
    const void* data;
    std::uint32_t bufferLength;  // bytes
    std::uint32_t flags;
    std::uint32_t loops;
};

constexpr std::uint32_t waveFormatPcm = 1;
constexpr std::uint32_t waveFlagBeginLoop = 4;

// Message kinds the device reports to its callback.
constexpr std::uint32_t waveMessageOpen = 0x3BB;
constexpr std::uint32_t waveMessageClose = 0x3BC;
constexpr std::uint32_t waveMessageDone = 0x3BD;

struct WaveDevice;
using WaveCallback = void (*)(std::uint32_t message);

// 0 on success. The callback may run on any thread; it receives
// waveMessageDone once for every block that finished or was reset.
int openWaveDevice(WaveDevice** device, const WaveFormat& format, WaveCallback callback);

// 0 on success.
int prepareWaveBlock(WaveDevice* device, WaveHeader& header);

// Starts playing the header's data at once, once from its start. 0 on success.
int writeWaveBlock(WaveDevice* device, WaveHeader& header);

// Releases the header; refused (non-zero) while its block still plays.
int unprepareWaveBlock(WaveDevice* device, WaveHeader& header);

// Stops at once; a playing block is reported done. When this returns the
// device no longer reads the block.
void resetWaveDevice(WaveDevice* device);

}  // namespace platform
