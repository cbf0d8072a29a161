// The tests' JACK keyboard and recorder (see jack_test_client.h).
#include "jack_test_client.h"

#include <jack/midiport.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace linux_test {

namespace {

using Clock = std::chrono::steady_clock;

jack_client_t* openClient(const char* name, const std::string& server)
{
    jack_status_t status{};
    return jack_client_open(name, static_cast<jack_options_t>(JackNoStartServer | JackServerName | JackUseExactName),
                            &status, server.c_str());
}

void put32(std::FILE* file, std::uint32_t value) { std::fwrite(&value, 4, 1, file); }
void put16(std::FILE* file, std::uint16_t value) { std::fwrite(&value, 2, 1, file); }

}  // namespace

JackTestClient::JackTestClient(const std::string& server) : server_(server) {}

JackTestClient::~JackTestClient()
{
    if (keyboard_ != nullptr) jack_client_close(keyboard_);
    if (recorder_ != nullptr) jack_client_close(recorder_);
}

bool JackTestClient::open(double recordSeconds, bool aliased)
{
    return openRecorder(recordSeconds) && plugKeyboard(aliased);
}

bool JackTestClient::openRecorder(double recordSeconds)
{
    recorder_ = openClient("recorder", server_);
    if (recorder_ == nullptr) return false;
    rate_ = jack_get_sample_rate(recorder_);
    for (auto& channel : channels_) channel.assign(static_cast<std::size_t>(recordSeconds * rate_), 0.0f);
    inputs_[0] = jack_port_register(recorder_, "in_left", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    inputs_[1] = jack_port_register(recorder_, "in_right", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    if (inputs_[0] == nullptr || inputs_[1] == nullptr) return false;
    jack_set_process_callback(recorder_, recorderProcess, this);
    jack_set_xrun_callback(recorder_, countXrun, this);
    return jack_activate(recorder_) == 0;
}

void JackTestClient::unplugKeyboard()
{
    if (keyboard_ != nullptr) jack_client_close(keyboard_);
    keyboard_ = nullptr;
}

bool JackTestClient::plugKeyboard(bool aliased)
{
    keyboard_ = openClient("keyboard", server_);
    if (keyboard_ == nullptr) return false;
    rejected_ = jack_port_register(keyboard_, "hypercontrol", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    accepted_ = jack_port_register(keyboard_, "usb_a", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (rejected_ == nullptr || accepted_ == nullptr) return false;
    jack_port_set_alias(rejected_, rejectedAlias);
    if (aliased) aliasKeyboard();
    jack_set_process_callback(keyboard_, keyboardProcess, this);
    return jack_activate(keyboard_) == 0;
}

void JackTestClient::aliasKeyboard() { jack_port_set_alias(accepted_, acceptedAlias); }

jack_nframes_t JackTestClient::period() const { return jack_get_buffer_size(recorder_); }

std::string JackTestClient::rejectedPort() const { return jack_port_name(rejected_); }
std::string JackTestClient::acceptedPort() const { return jack_port_name(accepted_); }

int JackTestClient::keyboardProcess(jack_nframes_t frames, void* self)
{
    auto& client = *static_cast<JackTestClient*>(self);
    jack_midi_clear_buffer(jack_port_get_buffer(client.rejected_, frames));
    void* buffer = jack_port_get_buffer(client.accepted_, frames);
    jack_midi_clear_buffer(buffer);
    if (client.batchState_.load(std::memory_order_acquire) != 1) return 0;
    const jack_nframes_t offset = std::min(client.batchOffset_, frames - 1);
    for (int i = 0; i < client.batchCount_; ++i) {
        const ShortMessage& m = client.batch_[i];
        const jack_midi_data_t bytes[3] = {m.status, m.data1, m.data2};
        jack_midi_event_write(buffer, offset, bytes, 3);
    }
    client.batchSentAt_ = jack_last_frame_time(client.keyboard_) + offset;
    client.batchState_.store(2, std::memory_order_release);
    return 0;
}

int JackTestClient::recorderProcess(jack_nframes_t frames, void* self)
{
    auto& client = *static_cast<JackTestClient*>(self);
    const jack_nframes_t cycle = jack_last_frame_time(client.recorder_);
    if (!client.recording_.load(std::memory_order_relaxed)) {
        client.recordStart_ = cycle;
        client.recording_.store(true, std::memory_order_release);
    } else if (cycle != client.nextCycle_) {
        ++client.missedCycles_;
    }
    client.nextCycle_ = cycle + frames;
    // Each cycle lands at its own frame time: a cycle the server skipped
    // (an xrun on a loaded machine) stays silent instead of shifting the
    // rest of the recording.
    const std::size_t size = client.channels_[0].size();
    const std::size_t at = std::min<std::size_t>(cycle - client.recordStart_, size);
    const std::size_t count = std::min<std::size_t>(frames, size - at);
    for (int c = 0; c < 2; ++c) {
        const auto* in = static_cast<const float*>(jack_port_get_buffer(client.inputs_[c], frames));
        std::copy(in, in + count, client.channels_[c].begin() + static_cast<std::ptrdiff_t>(at));
    }
    client.recordedFrames_.store(at + count, std::memory_order_release);
    return 0;
}

int JackTestClient::countXrun(void* self)
{
    ++static_cast<JackTestClient*>(self)->missedCycles_;
    return 0;
}

jack_nframes_t JackTestClient::send(const std::vector<ShortMessage>& messages, jack_nframes_t offset)
{
    batchCount_ = std::min(static_cast<int>(messages.size()), maxBatch);
    std::copy_n(messages.begin(), batchCount_, batch_);
    batchOffset_ = offset;
    batchState_.store(1, std::memory_order_release);
    while (batchState_.load(std::memory_order_acquire) != 2)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    batchState_.store(0);
    return batchSentAt_;
}

bool JackTestClient::isConnected(const std::string& source, const std::string& destination) const
{
    const jack_port_t* port = jack_port_by_name(recorder_, source.c_str());
    return port != nullptr && jack_port_by_name(recorder_, destination.c_str()) != nullptr &&
           jack_port_connected_to(port, destination.c_str()) != 0;
}

bool JackTestClient::listenToVelmara()
{
    return jack_connect(recorder_, "velmara:out_left", jack_port_name(inputs_[0])) == 0 &&
           jack_connect(recorder_, "velmara:out_right", jack_port_name(inputs_[1])) == 0;
}

jack_nframes_t JackTestClient::frameTime() const { return jack_frame_time(recorder_); }

jack_nframes_t JackTestClient::recordedEnd() const
{
    if (!recording_.load(std::memory_order_acquire)) return 0;
    return recordStart_ + static_cast<jack_nframes_t>(recordedFrames_.load(std::memory_order_acquire));
}

std::vector<float> JackTestClient::recorded(int channel, jack_nframes_t first, jack_nframes_t count,
                                            int timeoutMs) const
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const auto full = [this] { return recordedFrames_.load() >= channels_[0].size(); };
    while (static_cast<std::int32_t>(recordedEnd() - (first + count)) < 0 && !full() && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const jack_nframes_t end = std::min(recordedEnd(), first + count);
    if (!recording_.load() || static_cast<std::int32_t>(first - recordStart_) < 0 || end <= first) return {};
    const auto begin = channels_[channel].begin() + (first - recordStart_);
    return std::vector<float>(begin, begin + (end - first));
}

bool JackTestClient::firstSound(jack_nframes_t first, jack_nframes_t& found, int timeoutMs) const
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    jack_nframes_t next = first;
    while (Clock::now() < deadline) {
        const jack_nframes_t end = recordedEnd();
        for (; static_cast<std::int32_t>(end - next) > 0; ++next) {
            const std::size_t i = next - recordStart_;
            if (channels_[0][i] != 0.0f || channels_[1][i] != 0.0f) {
                found = next;
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return false;
}

bool JackTestClient::missedSince(int missed) const
{
    for (int waits = 0; waits < 50 && missedCycles() == missed; ++waits)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return missedCycles() != missed;
}

bool JackTestClient::release(const std::vector<int>& keys)
{
    std::vector<ShortMessage> noteOffs;
    for (int key : keys) noteOffs.push_back({0x80, static_cast<std::uint8_t>(key), 64});
    const jack_nframes_t released = send(noteOffs);
    const std::vector<float> after = recorded(0, released + 2 * period(), 8 * period());
    return !after.empty() && std::all_of(after.begin(), after.end(), [](float s) { return s == 0.0f; });
}

bool JackTestClient::saveWav(const std::string& path, jack_nframes_t first, jack_nframes_t count) const
{
    const std::vector<float> left = recorded(0, first, count, 0);
    const std::vector<float> right = recorded(1, first, count, 0);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const auto bytes = static_cast<std::uint32_t>(left.size() * 8);
    std::fwrite("RIFF", 1, 4, file);
    put32(file, 36 + bytes);
    std::fwrite("WAVEfmt ", 1, 8, file);
    put32(file, 16);
    put16(file, 3);  // IEEE float
    put16(file, 2);
    put32(file, rate_);
    put32(file, rate_ * 8);
    put16(file, 8);
    put16(file, 32);
    std::fwrite("data", 1, 4, file);
    put32(file, bytes);
    for (std::size_t i = 0; i < left.size(); ++i) {
        std::fwrite(&left[i], 4, 1, file);
        std::fwrite(&right[i], 4, 1, file);
    }
    return std::fclose(file) == 0;
}

}  // namespace linux_test
