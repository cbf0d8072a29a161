// The wave output on JACK: one block of 16-bit PCM at a time, converted to
// float on the process thread (resampled when the server runs at another
// rate), with the done report sent from that thread.
#include <samplerate.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "platform/audio.h"
#include "platform/jack/client_jack.h"
#include "platform/jack/timing_trace_jack.h"

namespace platform {

namespace {

constexpr std::uint32_t headerPrepared = 2;

// Who owns the block: the main thread while idle, the process thread while
// playing; ending and resetting are the process thread's way back to idle.
enum BlockState { idle, playing, ending, resetting };

constexpr long chunkFrames = 512;

}  // namespace

struct WaveDevice {
    WaveCallback callback = nullptr;
    int channels = 2;
    double ratio = 1.0;  // server frames per block frame
    SRC_STATE* resampler = nullptr;

    const WaveHeader* header = nullptr;
    const std::int16_t* samples = nullptr;
    std::uint32_t frameCount = 0;
    std::uint32_t position = 0;  // next block frame read
    std::atomic<int> state{idle};

    float input[chunkFrames * 2];
    float output[chunkFrames * 2];
};

namespace {

WaveDevice device;
bool deviceOpen = false;

float sampleValue(std::int16_t sample) { return static_cast<float>(sample) / 32768.0f; }

// Block frames from position on, as interleaved stereo floats, at most
// count of them; returns how many were taken.
long takeFrames(WaveDevice& d, float* stereo, long count)
{
    long taken = 0;
    for (; taken < count && d.position < d.frameCount; ++taken, ++d.position) {
        const std::int16_t* frame = d.samples + static_cast<std::size_t>(d.position) * d.channels;
        stereo[2 * taken] = sampleValue(frame[0]);
        stereo[2 * taken + 1] = sampleValue(frame[d.channels - 1]);
    }
    return taken;
}

long feedResampler(void* data, float** frames)
{
    auto& d = *static_cast<WaveDevice*>(data);
    *frames = d.input;
    return takeFrames(d, d.input, chunkFrames);
}

// Writes up to count frames of the block; false once the block has ended.
bool renderFrames(WaveDevice& d, float* left, float* right, long count)
{
    long written = 0;
    while (written < count) {
        const long wanted = std::min(chunkFrames, count - written);
        const long got = d.resampler != nullptr ? src_callback_read(d.resampler, d.ratio, wanted, d.output)
                                                : takeFrames(d, d.output, wanted);
        for (long i = 0; i < got; ++i) {
            left[written + i] = d.output[2 * i];
            right[written + i] = d.output[2 * i + 1];
        }
        written += got;
        if (got < wanted) return false;
    }
    return d.resampler != nullptr || d.position < d.frameCount;
}

void finish(WaveDevice& d)
{
    d.callback(waveMessageDone);
    d.state.store(idle);
}

void waitUntilIdle(WaveDevice& d)
{
    while (d.state.load() != idle) {
        int stranded = resetting;
        if (jack::serverGone() && d.state.compare_exchange_strong(stranded, idle)) {
            // No process cycle will come: report the block here.
            d.callback(waveMessageDone);
            return;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
}

bool formatSupported(const WaveFormat& format)
{
    return format.formatTag == waveFormatPcm && format.bitsPerSample == 16 &&
           (format.channels == 1 || format.channels == 2) && format.samplesPerSec > 0;
}

}  // namespace

namespace jack {

void renderWaveBlock(float* left, float* right, jack_nframes_t frames)
{
    WaveDevice& d = device;
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
    int state = d.state.load();
    if (state == resetting) {
        finish(d);
        return;
    }
    if (state != playing) return;
    if (renderFrames(d, left, right, frames)) return;
    if (d.state.compare_exchange_strong(state, ending) || state == resetting) finish(d);
}

}  // namespace jack

int openWaveDevice(WaveDevice** opened, const WaveFormat& format, WaveCallback callback)
{
    if (deviceOpen) return deviceErrorAllocated;
    if (!formatSupported(format)) return deviceErrorBadFormat;
    if (!jack::openOutputs()) return deviceErrorGeneral;
    device.callback = callback;
    device.channels = format.channels;
    device.ratio = static_cast<double>(jack::serverRate()) / format.samplesPerSec;
    if (jack::serverRate() != format.samplesPerSec) {
        int error = 0;
        device.resampler = src_callback_new(feedResampler, SRC_SINC_MEDIUM_QUALITY, 2, &error, &device);
        if (device.resampler == nullptr) return deviceErrorGeneral;
    }
    deviceOpen = true;
    *opened = &device;
    callback(waveMessageOpen);
    return 0;
}

int prepareWaveBlock(WaveDevice* d, WaveHeader& header)
{
    if (d == nullptr || header.data == nullptr) return deviceErrorGeneral;
    header.flags |= headerPrepared;
    return 0;
}

int writeWaveBlock(WaveDevice* d, WaveHeader& header)
{
    if (d == nullptr) return deviceErrorGeneral;
    if ((header.flags & headerPrepared) == 0) return deviceErrorUnprepared;
    resetWaveDevice(d);
    d->header = &header;
    d->samples = static_cast<const std::int16_t*>(header.data);
    d->frameCount = header.bufferLength / (2u * d->channels);
    d->position = 0;
    if (d->resampler != nullptr) src_reset(d->resampler);
    d->state.store(playing);
    jack::noteBlockSubmitted();
    return 0;
}

int unprepareWaveBlock(WaveDevice* d, WaveHeader& header)
{
    if (d == nullptr) return deviceErrorGeneral;
    if (d->header == &header && d->state.load() != idle) return deviceErrorStillPlaying;
    header.flags &= ~headerPrepared;
    return 0;
}

void resetWaveDevice(WaveDevice* d)
{
    if (d == nullptr) return;
    int expected = playing;
    if (d->state.compare_exchange_strong(expected, resetting) || expected != idle) waitUntilIdle(*d);
}

}  // namespace platform
