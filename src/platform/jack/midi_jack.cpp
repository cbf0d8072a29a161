// MIDI input on JACK: the inputs are the JACK MIDI source ports in the order
// JACK lists them, each offered under its short name and under each of its
// aliases, so a port given an accepted alias (jack_alias) is found. Opening
// one connects it to the port "midi_in", read on the process thread.
#include <jack/midiport.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/jack/client_jack.h"
#include "platform/jack/timing_trace_jack.h"
#include "platform/midi.h"
#include "platform/windows1252.h"

namespace platform {

struct MidiDevice {
    MidiCallback callback = nullptr;
    jack_client_t* client = nullptr;
    jack_nframes_t rate = 0;
    std::atomic<jack_port_t*> port{nullptr};
    std::atomic<bool> started{false};
    std::atomic<jack_nframes_t> startFrame{0};
};

namespace {

// One input as the system sees it: a name of a JACK port.
struct MidiInput {
    std::string port;  // the port's full name
    std::string name;  // short name or alias, as Windows-1252 bytes when it can be
};

std::vector<MidiInput> inputs;
MidiDevice device;
bool deviceOpen = false;

void addNames(jack_port_t* port, std::vector<MidiInput>& list)
{
    const std::string fullName = jack_port_name(port);
    list.push_back({fullName, toWindows1252(jack_port_short_name(port))});
    std::vector<char> first(jack_port_name_size()), second(jack_port_name_size());
    char* aliases[2] = {first.data(), second.data()};
    const int count = jack_port_get_aliases(port, aliases);
    for (int i = 0; i < count && i < 2; ++i) list.push_back({fullName, toWindows1252(aliases[i])});
}

std::vector<MidiInput> listInputs()
{
    std::vector<MidiInput> list;
    jack_client_t* client = jack::client();
    if (client == nullptr) return list;
    const char** names = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput);
    if (names == nullptr) return list;
    for (const char** name = names; *name != nullptr; ++name)
        if (jack_port_t* port = jack_port_by_name(client, *name)) addNames(port, list);
    jack_free(names);
    return list;
}

std::uintptr_t packShortMessage(const jack_midi_data_t* bytes, std::size_t size)
{
    std::uintptr_t packed = 0;
    for (std::size_t i = 0; i < size; ++i) packed |= static_cast<std::uintptr_t>(bytes[i]) << (8 * i);
    return packed;
}

// Short messages only: no buffer for system exclusive is ever given.
bool isShortMessage(const jack_midi_event_t& event)
{
    return event.size >= 1 && event.size <= 3 && (event.buffer[0] & 0x80) != 0 && event.buffer[0] != 0xF0;
}

jack_port_t* inputPort(jack_client_t* client)
{
    static jack_port_t* port = jack_port_register(client, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    return port;
}

}  // namespace

namespace jack {

void receiveMidi(jack_nframes_t frames)
{
    MidiDevice& d = device;
    jack_port_t* port = d.port.load(std::memory_order_acquire);
    if (port == nullptr || !d.started.load(std::memory_order_acquire)) return;
    void* buffer = jack_port_get_buffer(port, frames);
    const jack_nframes_t count = jack_midi_get_event_count(buffer);
    const jack_nframes_t cycleStart = jack_last_frame_time(d.client);
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) != 0 || !isShortMessage(event)) continue;
        const jack_nframes_t elapsed = cycleStart + event.time - d.startFrame.load(std::memory_order_relaxed);
        noteMidiArrival();
        d.callback(midiMessageData, packShortMessage(event.buffer, event.size),
                   static_cast<std::uintptr_t>(static_cast<std::uint64_t>(elapsed) * 1000 / d.rate));
    }
}

}  // namespace jack

int midiInputCount()
{
    inputs = listInputs();
    return static_cast<int>(inputs.size());
}

void midiInputName(int index, char (&name)[midiNameCapacity])
{
    name[0] = '\0';
    if (index < 0 || index >= static_cast<int>(inputs.size())) return;
    std::strncat(name, inputs[index].name.c_str(), midiNameCapacity - 1);
}

int openMidiDevice(MidiDevice** opened, int index, MidiCallback callback)
{
    if (deviceOpen) return deviceErrorAllocated;
    jack_client_t* client = jack::client();
    if (client == nullptr || index < 0 || index >= static_cast<int>(inputs.size())) return deviceErrorGeneral;
    jack_port_t* port = inputPort(client);
    if (port == nullptr) return deviceErrorGeneral;
    const int connected = jack_connect(client, inputs[index].port.c_str(), jack_port_name(port));
    if (connected != 0 && connected != EEXIST) return deviceErrorGeneral;
    device.callback = callback;
    device.client = client;
    device.rate = jack::serverRate();
    device.port.store(port, std::memory_order_release);
    deviceOpen = true;
    *opened = &device;
    callback(midiMessageOpen, 0, 0);
    return 0;
}

void startMidiDevice(MidiDevice* d)
{
    if (d == nullptr) return;
    d->startFrame.store(jack_frame_time(d->client), std::memory_order_relaxed);
    d->started.store(true, std::memory_order_release);
}

}  // namespace platform
