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

void openWaveOutput();
void submitWave(const void* data, std::uint32_t length);
void stopWaveOutput();
void waveOutputCallback(std::uint32_t message);
