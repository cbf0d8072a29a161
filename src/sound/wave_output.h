// The wave output: the audio device opened once in a fixed PCM format, fed
// one buffer at a time through a single reused header; waveDone tells the
// main thread when no buffer is playing.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/audio.h"

extern platform::WaveDevice* waveDevice;
extern platform::WaveFormat waveFormat;
extern platform::WaveHeader waveHeader;

// 1 when no buffer is playing: set by the device's callback thread, cleared
// by submitWave on the main thread.
extern std::atomic<std::int32_t> waveDone;

// Opens the device for 44,100 Hz 16-bit stereo PCM and fills the mixer's
// divisor table. A device that cannot be opened ends the process at once
// with exitNoWaveDevice, after a line on standard error.
void openWaveOutput();

// Hands the device length bytes of data to play once, cutting off a buffer
// still playing; the device reads data until it reports it done or is
// stopped. Ends the process at once with exitWavePrepareFailed or
// exitWaveWriteFailed when the device refuses the header or the block.
void submitWave(const void* data, std::uint32_t length);

// Stops playback at once; a playing buffer is reported done. Harmless on an
// idle device.
void stopWaveOutput();

// The device's callback: sets waveDone when a buffer is reported done.
void waveOutputCallback(std::uint32_t message);
