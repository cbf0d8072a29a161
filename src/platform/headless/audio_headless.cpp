// The headless wave device: one output on a virtual clock that records what
// it plays and reports finished blocks from a thread of its own.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "platform/audio.h"
#include "platform/headless/event_log.h"
#include "platform/headless/headless_audio.h"

namespace platform {

struct WaveDevice {
    WaveCallback callback;
};

namespace {

using headless::AudioFailure;

constexpr std::uint32_t framesPerSecond = 44100;
constexpr std::uint16_t channels = 2;
constexpr std::uint16_t bitsPerSample = 16;
constexpr std::uint16_t bytesPerFrame = channels * bitsPerSample / 8;

// Results, numbered as the Windows multimedia system numbers them.
constexpr int succeeded = 0;
constexpr int deviceError = 1;
constexpr int invalidHandle = 5;
constexpr int formatRefused = 32;
constexpr int stillPlaying = 33;
constexpr int unprepared = 34;

struct PlayingBlock {
    const WaveHeader* header;  // null while nothing plays
    const unsigned char* data;
    std::int64_t startFrame;
    std::int64_t frameCount;
};

struct HeadlessAudio {
    WaveDevice device;
    bool opened;
    AudioFailure failure;
    double clockMilliseconds;
    std::int64_t clockFrames;
    const WaveHeader* preparedHeader;
    PlayingBlock playing;
    // Frames 0 up to the end of the last frame played; silence after it.
    std::vector<std::int16_t> recording;
};

HeadlessAudio audio = {};

bool isOpenDevice(const WaveDevice* device) { return audio.opened && device == &audio.device; }

bool isRecordableFormat(const WaveFormat& format)
{
    return format.formatTag == waveFormatPcm && format.channels == channels &&
           format.samplesPerSec == framesPerSecond && format.bitsPerSample == bitsPerSample &&
           format.blockAlign == bytesPerFrame && format.avgBytesPerSec == framesPerSecond * bytesPerFrame;
}

std::int64_t framesAt(double milliseconds)
{
    return static_cast<std::int64_t>(std::floor(milliseconds * framesPerSecond / 1000.0 + 1e-6));
}

// Calls the callback from a thread of the device's own and returns when it
// has returned.
void reportDone()
{
    std::thread([callback = audio.device.callback] {
        headless::logEvent("wave-done");
        callback(waveMessageDone);
    }).join();
}

// Copies the playing block's frames from the clock up to frame into the
// recording, as a listener hears them then.
void recordUntil(std::int64_t frame)
{
    const PlayingBlock& block = audio.playing;
    const std::int64_t end = std::min(frame, block.startFrame + block.frameCount);
    if (block.header == nullptr || end <= audio.clockFrames) return;
    if (static_cast<std::int64_t>(audio.recording.size()) < end * channels) audio.recording.resize(end * channels);
    const std::int64_t first = audio.clockFrames;
    std::memcpy(audio.recording.data() + first * channels, block.data + (first - block.startFrame) * bytesPerFrame,
                static_cast<std::size_t>((end - first) * bytesPerFrame));
}

void endPlayingBlock()
{
    if (audio.playing.header == nullptr) return;
    audio.playing.header = nullptr;
    reportDone();
}

void putBytes(std::FILE* file, std::uint32_t value, int count)
{
    for (int i = 0; i < count; ++i) std::fputc(static_cast<int>(value >> (8 * i) & 0xFF), file);
}

}  // namespace

int openWaveDevice(WaveDevice** device, const WaveFormat& format, WaveCallback callback)
{
    if (audio.failure == AudioFailure::open) return deviceError;
    if (!isRecordableFormat(format)) return formatRefused;
    audio.device.callback = callback;
    audio.opened = true;
    *device = &audio.device;
    return succeeded;
}

int prepareWaveBlock(WaveDevice* device, WaveHeader& header)
{
    if (!isOpenDevice(device)) return invalidHandle;
    if (audio.failure == AudioFailure::prepare) return deviceError;
    audio.preparedHeader = &header;
    return succeeded;
}

int writeWaveBlock(WaveDevice* device, WaveHeader& header)
{
    if (!isOpenDevice(device)) return invalidHandle;
    if (audio.failure == AudioFailure::write) return deviceError;
    if (audio.preparedHeader != &header) return unprepared;
    endPlayingBlock();
    headless::logEvent("wave-submit " + std::to_string(header.bufferLength));
    audio.playing = {&header, static_cast<const unsigned char*>(header.data), audio.clockFrames,
                     header.bufferLength / bytesPerFrame};
    return succeeded;
}

int unprepareWaveBlock(WaveDevice* device, WaveHeader& header)
{
    if (!isOpenDevice(device)) return invalidHandle;
    if (audio.playing.header == &header) return stillPlaying;
    if (audio.preparedHeader == &header) audio.preparedHeader = nullptr;
    return succeeded;
}

void resetWaveDevice(WaveDevice* device)
{
    if (!isOpenDevice(device)) return;
    headless::logEvent("wave-reset");
    endPlayingBlock();
}

namespace headless {

void failAudio(AudioFailure failure) { audio.failure = failure; }

void advanceAudioClock(double milliseconds)
{
    if (milliseconds <= 0) return;
    audio.clockMilliseconds += milliseconds;
    const std::int64_t frame = framesAt(audio.clockMilliseconds);
    recordUntil(frame);
    audio.clockFrames = frame;
    const PlayingBlock& block = audio.playing;
    if (block.header != nullptr && frame >= block.startFrame + block.frameCount) endPlayingBlock();
}

std::vector<std::int16_t> recordedAudio()
{
    std::vector<std::int16_t> frames(audio.recording);
    frames.resize(static_cast<std::size_t>(audio.clockFrames * channels));
    return frames;
}

bool saveRecordedWav(const char* path)
{
    const std::vector<std::int16_t> frames = recordedAudio();
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    const auto dataBytes = static_cast<std::uint32_t>(frames.size() * sizeof(std::int16_t));
    std::fputs("RIFF", file);
    putBytes(file, 36 + dataBytes, 4);
    std::fputs("WAVEfmt ", file);
    putBytes(file, 16, 4);
    putBytes(file, waveFormatPcm, 2);
    putBytes(file, channels, 2);
    putBytes(file, framesPerSecond, 4);
    putBytes(file, framesPerSecond * bytesPerFrame, 4);
    putBytes(file, bytesPerFrame, 2);
    putBytes(file, bitsPerSample, 2);
    std::fputs("data", file);
    putBytes(file, dataBytes, 4);
    for (const std::int16_t sample : frames) putBytes(file, static_cast<std::uint16_t>(sample), 2);
    return std::fclose(file) == 0;
}

void resetAudioDevice()
{
    endPlayingBlock();
    audio.failure = AudioFailure::none;
    audio.clockMilliseconds = 0;
    audio.clockFrames = 0;
    audio.preparedHeader = nullptr;
    audio.recording.clear();
}

}  // namespace headless

}  // namespace platform
