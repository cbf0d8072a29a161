// The wave output (see wave_output.h): one device, one reused header, and the
// done flag its callback sets.
#include "sound/wave_output.h"

#include <cstdio>

#include "platform/process.h"
#include "sound/voice_mixer.h"

platform::WaveDevice* waveDevice = nullptr;
platform::WaveFormat waveFormat = {};
platform::WaveHeader waveHeader = {};
std::atomic<std::int32_t> waveDone{1};

void openWaveOutput()
{
    waveFormat.formatTag = platform::waveFormatPcm;
    waveFormat.channels = 2;
    waveFormat.samplesPerSec = 44100;
    waveFormat.bitsPerSample = 16;
    waveFormat.blockAlign = static_cast<std::uint16_t>(waveFormat.bitsPerSample / 8 * waveFormat.channels);
    waveFormat.avgBytesPerSec = waveFormat.blockAlign * waveFormat.samplesPerSec;
    waveFormat.cbSize = 0;

    if (platform::openWaveDevice(&waveDevice, waveFormat, waveOutputCallback) != 0) {
        std::fputs("unable to open WAVE_MAPPER device\n", stderr);
        platform::exitImmediately(platform::exitNoWaveDevice);
    }
    fillPolyphonyDivisor();
}

void submitWave(const void* data, std::uint32_t length)
{
    if (waveDone.load() == 0) stopWaveOutput();
    platform::unprepareWaveBlock(waveDevice, waveHeader);

    waveHeader = {};
    waveHeader.data = data;
    waveHeader.bufferLength = length;
    waveHeader.flags = platform::waveFlagBeginLoop;
    waveHeader.loops = 1;

    if (platform::prepareWaveBlock(waveDevice, waveHeader) != 0) platform::exitImmediately(platform::exitWavePrepareFailed);
    const int written = platform::writeWaveBlock(waveDevice, waveHeader);
    waveDone.store(0);
    if (written != 0) platform::exitImmediately(platform::exitWaveWriteFailed);
}

void stopWaveOutput()
{
    platform::unprepareWaveBlock(waveDevice, waveHeader);
    platform::resetWaveDevice(waveDevice);
}

void waveOutputCallback(std::uint32_t message)
{
    if (message == platform::waveMessageDone) waveDone.store(1);
}
