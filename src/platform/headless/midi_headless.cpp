// Headless MIDI inputs: named devices from a script; the opened device owns a
// thread that sends the open notice and then every posted message to the
// callback.
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/headless/event_log_headless.h"
#include "platform/headless/midi_headless.h"
#include "platform/midi.h"

namespace platform {

struct MidiDevice {
    MidiCallback callback = nullptr;
    int index = 0;
    bool started = false;
    bool stopping = false;
    std::deque<std::uint32_t> pending;
    std::size_t inFlight = 0;  // taken from pending, callback not yet returned
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable delivered;
    std::thread thread;
};

namespace {

struct MidiState {
    std::mutex mutex;
    std::vector<std::string> names;
    std::map<int, int> openResults;
    MidiDevice* opened = nullptr;
};

// Never destroyed: a device thread may still wait on it while the process ends.
MidiState& state()
{
    static MidiState* midi = new MidiState;
    return *midi;
}

void runDevice(MidiDevice* device)
{
    device->callback(midiMessageOpen, 0, 0);
    std::unique_lock lock(device->mutex);
    for (;;) {
        device->wake.wait(lock, [device] { return device->stopping || !device->pending.empty(); });
        if (device->pending.empty()) return;
        const std::uint32_t message = device->pending.front();
        device->pending.pop_front();
        ++device->inFlight;
        lock.unlock();
        device->callback(midiMessageData, message, 0);
        lock.lock();
        --device->inFlight;
        if (device->pending.empty() && device->inFlight == 0) device->delivered.notify_all();
    }
}

MidiDevice* startedDevice()
{
    std::lock_guard lock(state().mutex);
    MidiDevice* device = state().opened;
    return (device != nullptr && device->started) ? device : nullptr;
}

}  // namespace

int midiInputCount()
{
    std::lock_guard lock(state().mutex);
    return static_cast<int>(state().names.size());
}

void midiInputName(int index, char (&name)[midiNameCapacity])
{
    std::lock_guard lock(state().mutex);
    std::memset(name, 0, midiNameCapacity);
    if (index < 0 || index >= static_cast<int>(state().names.size())) return;
    state().names[static_cast<std::size_t>(index)].copy(name, midiNameCapacity - 1);
}

int openMidiDevice(MidiDevice** device, int index, MidiCallback callback)
{
    std::lock_guard lock(state().mutex);
    const auto found = state().openResults.find(index);
    const int code = found == state().openResults.end() ? 0 : found->second;
    headless::logEvent("midi-open " + std::to_string(index) + " -> " + std::to_string(code));
    if (code != 0) {
        *device = nullptr;
        return code;
    }
    auto* opened = new MidiDevice;
    opened->callback = callback;
    opened->index = index;
    opened->thread = std::thread(runDevice, opened);
    state().opened = opened;
    *device = opened;
    return 0;
}

void startMidiDevice(MidiDevice* device)
{
    if (device == nullptr) return;
    std::lock_guard lock(state().mutex);
    device->started = true;
}

// The scripted devices are fixed for the run.
void watchMidiInputs(MidiNameTest, MidiCallback) {}

namespace headless {

void addMidiDevice(const std::string& name)
{
    std::lock_guard lock(state().mutex);
    state().names.push_back(name);
}

void setMidiOpenResult(int index, int code)
{
    std::lock_guard lock(state().mutex);
    state().openResults[index] = code;
}

int openedMidiDevice()
{
    std::lock_guard lock(state().mutex);
    return state().opened == nullptr ? -1 : state().opened->index;
}

bool postMidiMessages(const std::vector<std::uint32_t>& messages)
{
    MidiDevice* device = startedDevice();
    if (device == nullptr) return false;
    {
        std::lock_guard lock(device->mutex);
        device->pending.insert(device->pending.end(), messages.begin(), messages.end());
    }
    device->wake.notify_one();
    return true;
}

void waitMidiDelivered()
{
    MidiDevice* device = startedDevice();
    if (device == nullptr) return;
    std::unique_lock lock(device->mutex);
    device->delivered.wait(lock, [device] { return device->pending.empty() && device->inFlight == 0; });
}

bool sendMidiMessage(std::uint32_t message)
{
    if (!postMidiMessages({message})) return false;
    waitMidiDelivered();
    return true;
}

void removeMidiDevices()
{
    MidiDevice* device = nullptr;
    {
        std::lock_guard lock(state().mutex);
        device = state().opened;
        state().opened = nullptr;
        state().names.clear();
        state().openResults.clear();
    }
    if (device == nullptr) return;
    {
        std::lock_guard lock(device->mutex);
        device->stopping = true;
    }
    device->wake.notify_one();
    device->thread.join();
    delete device;
}

}  // namespace headless

}  // namespace platform
