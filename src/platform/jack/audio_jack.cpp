// The wave output on JACK: each written block is copied into the backend and
// handed to the process thread without a lock, where it is converted to
// float (resampled when the server runs at another rate) and, when it has
// played out, reported done. Writing and resetting never wait for a cycle,
// nor for a process thread that may be gone. A block the server cuts off
// by stopping is reported done then; a block handed over while no server
// runs, in the new client's first cycle. Every report made off the main
// thread wakes it.
#include <samplerate.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <utility>

#include "platform/audio.h"
#include "platform/jack/block_exchange_jack.h"
#include "platform/jack/client_jack.h"
#include "platform/jack/timing_trace_jack.h"
#include "platform/jack/watcher_jack.h"
#include "platform/posix/wake_posix.h"

namespace platform {

namespace {

constexpr std::uint32_t headerPrepared = 2;
constexpr long chunkFrames = 512;

}  // namespace

struct WaveDevice {
    WaveCallback callback = nullptr;
    int channels = 2;
    std::uint32_t blockRate = 44100;
    jack::BlockExchange exchange;

    // Main thread's: the header last written, and whether the last slot
    // handed over was a block rather than silence.
    const WaveHeader* header = nullptr;
    bool blockHandedOver = false;

    // The process thread's (the watcher's between two clients, while no
    // process thread runs).
    const jack::WaveSlot* slot = nullptr;
    std::uint32_t endedBlock = 0;  // a block to report done in the next cycle, 0 for none
    std::uint32_t position = 0;    // next block frame read
    double ratio = 1.0;            // server frames per block frame
    SRC_STATE* resampler = nullptr;
    float input[chunkFrames * 2];
    float output[chunkFrames * 2];
};

namespace {

// Never destroyed: the process thread may still read a slot while the
// process ends.
WaveDevice& device = *new WaveDevice;
std::atomic<bool> deviceOpen{false};

float sampleValue(std::int16_t sample) { return static_cast<float>(sample) / 32768.0f; }

// Block frames from position on, as interleaved stereo floats, at most
// count of them; returns how many were taken.
long takeFrames(WaveDevice& d, float* stereo, long count)
{
    long taken = 0;
    const std::int16_t* samples = d.slot->samples.data();
    for (; taken < count && d.position < d.slot->frameCount; ++taken, ++d.position) {
        const std::int16_t* frame = samples + static_cast<std::size_t>(d.position) * d.channels;
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
    return d.resampler != nullptr || d.position < d.slot->frameCount;
}

void startSlot(WaveDevice& d, const jack::WaveSlot* slot)
{
    d.slot = slot->frameCount > 0 ? slot : nullptr;
    d.position = 0;
    if (d.resampler != nullptr) src_reset(d.resampler);
}

// A report made off the main thread, which it wakes to look at it.
void reportDone(WaveDevice& d)
{
    d.callback(waveMessageDone);
    posix::wakeMainThread();
}

// The block that ended is reported done unless a reset or a newer block
// has already settled its report.
void reportEnded(WaveDevice& d, std::uint32_t block)
{
    if (!d.exchange.claimEnded(block)) return;
    reportDone(d);
    d.exchange.finishReport(block);
}

// On the main thread, before a write or a reset.
void reportOwedBlock(WaveDevice& d)
{
    if (d.exchange.claimOwed(jack::serverRunning)) d.callback(waveMessageDone);
}

// Sets the conversion for a server running at rate; false when no
// resampler can be made.
bool setServerRate(WaveDevice& d, jack_nframes_t rate)
{
    d.ratio = static_cast<double>(rate) / d.blockRate;
    if (rate == d.blockRate) {
        if (d.resampler != nullptr) src_delete(d.resampler);
        d.resampler = nullptr;
        return true;
    }
    int error = 0;
    if (d.resampler == nullptr) d.resampler = src_callback_new(feedResampler, SRC_SINC_MEDIUM_QUALITY, 2, &error, &d);
    return d.resampler != nullptr;
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
    if (!deviceOpen.load(std::memory_order_acquire)) return;
    if (d.endedBlock != 0) reportEnded(d, std::exchange(d.endedBlock, 0));
    if (const WaveSlot* handed = d.exchange.takeHandedOver()) startSlot(d, handed);
    if (d.slot == nullptr) return;
    if (renderFrames(d, left, right, static_cast<long>(frames))) return;
    reportEnded(d, d.slot->block);
    d.slot = nullptr;
}

// A write racing this report can see it land after its own: then no server
// plays the new block, and the key scan's stop that follows only reports
// it done early.
void reportCutOffBlock()
{
    if (!deviceOpen.load(std::memory_order_acquire)) return;
    if (!device.exchange.takeOwed()) return;
    reportDone(device);
    noteCutOffReported();
}

bool restartWaveOutput(jack_nframes_t rate)
{
    WaveDevice& d = device;
    if (!deviceOpen.load(std::memory_order_acquire)) return true;
    // What was handed over while no server ran is not played late, only
    // reported done, as is a report the last process thread left unmade.
    d.exchange.takeHandedOver();
    d.slot = nullptr;
    d.endedBlock = d.exchange.releaseUnfinishedReport();
    return setServerRate(d, rate);
}

}  // namespace jack

int openWaveDevice(WaveDevice** opened, const WaveFormat& format, WaveCallback callback)
{
    if (deviceOpen.load()) return deviceErrorAllocated;
    if (!formatSupported(format)) return deviceErrorBadFormat;
    if (!jack::openOutputs()) return deviceErrorGeneral;
    device.callback = callback;
    device.channels = format.channels;
    device.blockRate = format.samplesPerSec;
    // Room for a second of sound in each slot; a longer block grows its slot
    // on the main thread when it is written.
    device.exchange.reserve(static_cast<std::size_t>(format.samplesPerSec) * format.channels);
    if (!setServerRate(device, jack::serverRate())) return deviceErrorGeneral;
    deviceOpen.store(true, std::memory_order_release);
    jack::startWatching();
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
    reportOwedBlock(*d);
    jack::WaveSlot& slot = d->exchange.slotToFill();
    const std::size_t samples = header.bufferLength / 2u;
    if (slot.samples.size() < samples) slot.samples.resize(samples);
    std::memcpy(slot.samples.data(), header.data, samples * 2u);
    slot.frameCount = static_cast<std::uint32_t>(samples / d->channels);
    slot.block = d->exchange.owe();
    d->exchange.handOver();
    d->header = &header;
    d->blockHandedOver = true;
    jack::noteBlockSubmitted();
    return 0;
}

int unprepareWaveBlock(WaveDevice* d, WaveHeader& header)
{
    if (d == nullptr) return deviceErrorGeneral;
    if (d->header == &header && d->exchange.owesReport()) return deviceErrorStillPlaying;
    header.flags &= ~headerPrepared;
    return 0;
}

void resetWaveDevice(WaveDevice* d)
{
    if (d == nullptr) return;
    reportOwedBlock(*d);
    if (!d->blockHandedOver) return;
    jack::WaveSlot& slot = d->exchange.slotToFill();
    slot.frameCount = 0;
    slot.block = 0;
    d->exchange.handOver();
    d->blockHandedOver = false;
}

}  // namespace platform
