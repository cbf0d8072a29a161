// Open Wav's synchronous playback on JACK: the file is read whole with
// libsndfile, brought to the server's rate, added to the outputs on the
// process thread, and the call returns once its last frame has gone out.
#include <samplerate.h>
#include <sndfile.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "platform/jack/client_jack.h"
#include "platform/window.h"

namespace platform {

namespace {

// Longer files are refused rather than read into memory.
constexpr sf_count_t longestFile = sf_count_t{60} * 60 * 192000;

struct SoundFilePlayback {
    std::vector<float> frames;  // interleaved stereo at the server's rate
    std::size_t position = 0;   // next frame, process thread only while playing
    // Set by the main thread; cleared by the process thread at the end, or
    // between two clients. Only the main thread touches frames, and only
    // while it is false.
    std::atomic<bool> playing{false};
};

// Never destroyed: the process thread may still read it while the process
// ends.
SoundFilePlayback& playback = *new SoundFilePlayback;

// The file's frames as interleaved stereo at its own rate; a mono file
// plays on both sides, a file of more channels plays its first two.
std::vector<float> readStereo(const char* path, int& rate)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path, SFM_READ, &info);
    if (file == nullptr) return {};
    std::vector<float> stereo;
    if (info.frames > 0 && info.frames <= longestFile && info.channels > 0) {
        std::vector<float> samples(static_cast<std::size_t>(info.frames) * info.channels);
        const sf_count_t read = sf_readf_float(file, samples.data(), info.frames);
        stereo.resize(static_cast<std::size_t>(read) * 2);
        for (sf_count_t i = 0; i < read; ++i) {
            const float* frame = samples.data() + i * info.channels;
            stereo[2 * i] = frame[0];
            stereo[2 * i + 1] = frame[info.channels > 1 ? 1 : 0];
        }
        rate = info.samplerate;
    }
    sf_close(file);
    return stereo;
}

std::vector<float> toRate(std::vector<float> stereo, int from, int to)
{
    if (from == to || stereo.empty()) return stereo;
    const double ratio = static_cast<double>(to) / from;
    const long inputFrames = static_cast<long>(stereo.size() / 2);
    std::vector<float> converted(2 * static_cast<std::size_t>(std::ceil(static_cast<double>(inputFrames) * ratio) + 16));
    SRC_DATA data{};
    data.data_in = stereo.data();
    data.input_frames = inputFrames;
    data.data_out = converted.data();
    data.output_frames = static_cast<long>(converted.size() / 2);
    data.src_ratio = ratio;
    data.end_of_input = 1;
    if (src_simple(&data, SRC_SINC_MEDIUM_QUALITY, 2) != 0) return {};
    converted.resize(2 * static_cast<std::size_t>(data.output_frames_gen));
    return converted;
}

}  // namespace

namespace jack {

void mixSoundFile(float* left, float* right, jack_nframes_t frames)
{
    SoundFilePlayback& p = playback;
    if (!p.playing.load(std::memory_order_acquire)) return;
    const std::size_t total = p.frames.size() / 2;
    for (jack_nframes_t i = 0; i < frames && p.position < total; ++i, ++p.position) {
        left[i] += p.frames[2 * p.position];
        right[i] += p.frames[2 * p.position + 1];
    }
    if (p.position >= total) p.playing.store(false, std::memory_order_release);
}

void stopSoundFile() { playback.playing.store(false, std::memory_order_release); }

}  // namespace jack

// Without a server nothing plays and the call returns at once; a file cut
// off by the server stopping is not played on when a server runs again.
void playSoundFile(const char* path)
{
    if (!jack::serverRunning() || playback.playing.load(std::memory_order_acquire)) return;
    int fileRate = 0;
    std::vector<float> fileFrames = readStereo(path, fileRate);
    std::vector<float> frames = toRate(std::move(fileFrames), fileRate, static_cast<int>(jack::serverRate()));
    if (frames.empty()) return;
    playback.frames = std::move(frames);
    playback.position = 0;
    playback.playing.store(true, std::memory_order_release);
    while (playback.playing.load(std::memory_order_acquire) && jack::serverRunning())
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

}  // namespace platform
