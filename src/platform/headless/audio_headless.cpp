// The headless wave device: a virtual clock, one block at a time, a
// recording of what a listener would have heard, and done reports delivered
// from a thread of the device's own.
#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio.h"
#include "platform/headless/audio_headless.h"
#include "platform/headless/event_log_headless.h"

namespace platform {

struct WaveDevice {
    WaveCallback callback = nullptr;
};

namespace {

constexpr double framesPerMillisecond = 44.1;
constexpr int channels = 2;

// The thread that reports finished blocks; deliver() waits for the report.
class DeviceThread {
public:
    void deliver(WaveCallback callback, std::uint32_t message)
    {
        std::unique_lock lock(mutex);
        if (!started) {
            std::thread([this] { run(); }).detach();
            started = true;
        }
        pending = callback;
        pendingMessage = message;
        wake.notify_all();
        wake.wait(lock, [this] { return pending == nullptr; });
    }

private:
    void run()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return pending != nullptr; });
            WaveCallback callback = pending;
            lock.unlock();
            callback(pendingMessage);
            lock.lock();
            pending = nullptr;
            wake.notify_all();
        }
    }

    std::mutex mutex;
    std::condition_variable wake;
    bool started = false;
    WaveCallback pending = nullptr;
    std::uint32_t pendingMessage = 0;
};

struct HeadlessAudio {
    WaveDevice device;
    headless::AudioFailure failure = headless::AudioFailure::none;
    double clock = 0;                 // frames, with fractions
    std::vector<std::int16_t> recording;
    const std::int16_t* block = nullptr;  // the playing block, null when idle
    std::int64_t blockFrames = 0;
    std::int64_t blockStart = 0;
    std::int64_t blockPlayed = 0;
    const WaveHeader* preparedHeader = nullptr;
    bool writtenSinceReset = false;  // a reset is logged once per written block
};

std::mutex audioMutex;
HeadlessAudio audio;
// Never destroyed: its thread waits on it until the process ends.
DeviceThread& deviceThread = *new DeviceThread;

std::int64_t wholeFrames(double frames) { return static_cast<std::int64_t>(frames); }

// Records the block's frames up to the given clock frame; true when the
// block has reached its end.
bool playBlockUntil(std::int64_t frame)
{
    const std::int64_t until = std::min(frame - audio.blockStart, audio.blockFrames);
    for (; audio.blockPlayed < until; ++audio.blockPlayed) {
        const std::size_t at = static_cast<std::size_t>(audio.blockStart + audio.blockPlayed) * channels;
        if (audio.recording.size() < at + channels) audio.recording.resize(at + channels, 0);
        std::memcpy(&audio.recording[at], audio.block + audio.blockPlayed * channels, channels * sizeof(std::int16_t));
    }
    return audio.blockPlayed >= audio.blockFrames;
}

void reportDone()
{
    headless::logEvent("wave-done");
    deviceThread.deliver(audio.device.callback, waveMessageDone);
}

}  // namespace

int openWaveDevice(WaveDevice** device, const WaveFormat& format, WaveCallback callback)
{
    std::lock_guard lock(audioMutex);
    if (audio.failure == headless::AudioFailure::open) return deviceErrorGeneral;
    if (format.channels != channels || format.bitsPerSample != 16) return deviceErrorBadFormat;
    audio.device.callback = callback;
    *device = &audio.device;
    return 0;
}

int prepareWaveBlock(WaveDevice*, WaveHeader& header)
{
    std::lock_guard lock(audioMutex);
    if (audio.failure == headless::AudioFailure::prepare) return deviceErrorGeneral;
    audio.preparedHeader = &header;
    return 0;
}

int writeWaveBlock(WaveDevice*, WaveHeader& header)
{
    std::lock_guard lock(audioMutex);
    if (audio.failure == headless::AudioFailure::write || audio.preparedHeader != &header) return deviceErrorGeneral;
    headless::logEvent("wave-submit " + std::to_string(header.bufferLength));
    audio.block = static_cast<const std::int16_t*>(header.data);
    audio.blockFrames = static_cast<std::int64_t>(header.bufferLength / (channels * sizeof(std::int16_t)));
    audio.blockStart = wholeFrames(audio.clock);
    audio.blockPlayed = 0;
    audio.writtenSinceReset = true;
    return 0;
}

int unprepareWaveBlock(WaveDevice*, WaveHeader& header)
{
    std::lock_guard lock(audioMutex);
    if (audio.block != nullptr && audio.preparedHeader == &header) return deviceErrorStillPlaying;
    if (audio.preparedHeader == &header) audio.preparedHeader = nullptr;
    return 0;
}

void resetWaveDevice(WaveDevice*)
{
    std::unique_lock lock(audioMutex);
    if (audio.writtenSinceReset) headless::logEvent("wave-reset");
    audio.writtenSinceReset = false;
    if (audio.block == nullptr) return;
    audio.block = nullptr;
    lock.unlock();
    reportDone();
}

namespace headless {

void failAudio(AudioFailure failure)
{
    std::lock_guard lock(audioMutex);
    audio.failure = failure;
}

void advanceAudioClock(double milliseconds)
{
    std::unique_lock lock(audioMutex);
    audio.clock += milliseconds * framesPerMillisecond;
    const std::int64_t now = wholeFrames(audio.clock);
    audio.recording.resize(static_cast<std::size_t>(now) * channels, 0);
    if (audio.block == nullptr || !playBlockUntil(now)) return;
    audio.block = nullptr;
    lock.unlock();
    reportDone();
}

std::int64_t audioClockFrames()
{
    std::lock_guard lock(audioMutex);
    return wholeFrames(audio.clock);
}

std::vector<std::int16_t> recordedAudio()
{
    std::lock_guard lock(audioMutex);
    std::vector<std::int16_t> frames = audio.recording;
    frames.resize(static_cast<std::size_t>(wholeFrames(audio.clock)) * channels, 0);
    return frames;
}

void resetHeadlessAudio()
{
    std::lock_guard lock(audioMutex);
    audio.failure = AudioFailure::none;
    audio.clock = 0;
    audio.recording.clear();
    audio.block = nullptr;
    audio.preparedHeader = nullptr;
    audio.writtenSinceReset = false;
}

}  // namespace headless

}  // namespace platform
