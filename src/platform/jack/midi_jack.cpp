// MIDI input on JACK: the inputs are the JACK MIDI source ports in the order
// JACK lists them, each offered under its short name and under each of its
// aliases, so a port given an accepted alias (jack_alias) is found. Opening
// one connects it to the port "midi_in", read on the process thread; when
// that port loses its source, the watcher connects the next keyboard that
// appears with an accepted name. A cycle that delivers messages wakes the
// main thread.
#include <jack/midiport.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/jack/client_jack.h"
#include "platform/jack/timing_trace_jack.h"
#include "platform/midi.h"
#include "platform/posix/wake_posix.h"
#include "platform/windows1252.h"

namespace platform {

struct MidiDevice {
    MidiCallback callback = nullptr;
    jack_time_t startTime = 0;  // microseconds, when input started
    std::atomic<bool> started{false};
};

namespace {

// One input as the system sees it: a name of a JACK port.
struct MidiInput {
    std::string port;  // the port's full name
    std::string name;  // short name or alias, as Windows-1252 bytes when it can be
};

// What the system asked to be watched for; set at start-up.
struct MidiWatch {
    MidiNameTest accepted = nullptr;
    MidiCallback callback = nullptr;
};

std::vector<MidiInput> inputs;
MidiDevice device;
bool deviceOpen = false;
MidiWatch watch;

void addNames(jack_port_t* port, std::vector<MidiInput>& list)
{
    const std::string fullName = jack_port_name(port);
    list.push_back({fullName, toWindows1252(jack_port_short_name(port))});
    std::vector<char> first(jack_port_name_size()), second(jack_port_name_size());
    char* aliases[2] = {first.data(), second.data()};
    const int count = jack_port_get_aliases(port, aliases);
    for (int i = 0; i < count && i < 2; ++i) list.push_back({fullName, toWindows1252(aliases[i])});
}

// The full names of the MIDI source ports, in JACK's order.
std::vector<std::string> sourcePorts(jack_client_t* client)
{
    std::vector<std::string> ports;
    const char** names = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput);
    if (names == nullptr) return ports;
    for (const char** name = names; *name != nullptr; ++name) ports.emplace_back(*name);
    jack_free(names);
    return ports;
}

std::vector<MidiInput> listInputs()
{
    std::vector<MidiInput> list;
    jack_client_t* client = jack::client();
    if (client == nullptr) return list;
    for (const std::string& name : sourcePorts(client))
        if (jack_port_t* port = jack_port_by_name(client, name.c_str())) addNames(port, list);
    return list;
}

void copyName(const MidiInput& input, char (&name)[midiNameCapacity])
{
    name[0] = '\0';
    std::strncat(name, input.name.c_str(), midiNameCapacity - 1);
}

// The first input whose name the test accepts, or -1.
int firstAccepted(const std::vector<MidiInput>& list, MidiNameTest accepted)
{
    for (std::size_t i = 0; i < list.size(); ++i) {
        char name[midiNameCapacity];
        copyName(list[i], name);
        if (accepted(name)) return static_cast<int>(i);
    }
    return -1;
}

// Connects the input's port to "midi_in"; false when that fails.
bool connectInput(const MidiInput& input)
{
    jack_port_t* port = jack::midiInputPort();
    if (port == nullptr) return false;
    const int connected = jack_connect(jack::client(), input.port.c_str(), jack_port_name(port));
    return connected == 0 || connected == EEXIST;
}

void sayNoAcceptedName()
{
    std::string seen;
    for (const std::string& port : sourcePorts(jack::client())) seen += (seen.empty() ? "" : ", ") + port;
    std::fprintf(stderr,
                 "velmara: no MIDI source port has an accepted name or alias (ports seen: %s); "
                 "alias the keyboard's output port\n",
                 seen.empty() ? "none" : seen.c_str());
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

}  // namespace

namespace jack {

void receiveMidi(jack_client_t* client, jack_port_t* port, jack_nframes_t frames)
{
    MidiDevice& d = device;
    if (port == nullptr || !d.started.load(std::memory_order_acquire)) return;
    void* buffer = jack_port_get_buffer(port, frames);
    const jack_nframes_t count = jack_midi_get_event_count(buffer);
    const jack_nframes_t cycleStart = jack_last_frame_time(client);
    bool delivered = false;
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) != 0 || !isShortMessage(event)) continue;
        const jack_time_t at = jack_frames_to_time(client, cycleStart + event.time);
        const jack_time_t elapsed = at > d.startTime ? at - d.startTime : 0;
        noteMidiArrival();
        d.callback(midiMessageData, packShortMessage(event.buffer, event.size),
                   static_cast<std::uintptr_t>(elapsed / 1000));
        delivered = true;
    }
    // The main thread's key scan sees the cycle's keys at once.
    if (delivered) posix::wakeMainThread();
}

bool keepKeyboard()
{
    if (watch.accepted == nullptr) return true;
    jack_port_t* port = midiInputPort();
    if (port != nullptr && jack_port_connected(port) > 0) return true;
    const std::vector<MidiInput> list = listInputs();
    const int chosen = firstAccepted(list, watch.accepted);
    if (chosen < 0 || !connectInput(list[chosen])) return false;
    if (!deviceOpen) {
        device.callback = watch.callback;
        deviceOpen = true;
        watch.callback(midiMessageOpen, 0, 0);
    }
    startMidiDevice(&device);
    std::fprintf(stderr, "velmara: MIDI input from %s\n", list[chosen].port.c_str());
    return true;
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
    copyName(inputs[index], name);
}

int openMidiDevice(MidiDevice** opened, int index, MidiCallback callback)
{
    if (deviceOpen) return deviceErrorAllocated;
    if (jack::client() == nullptr || index < 0 || index >= static_cast<int>(inputs.size())) return deviceErrorGeneral;
    if (!connectInput(inputs[index])) return deviceErrorGeneral;
    device.callback = callback;
    deviceOpen = true;
    *opened = &device;
    callback(midiMessageOpen, 0, 0);
    return 0;
}

void startMidiDevice(MidiDevice* d)
{
    if (d == nullptr || d->started.load()) return;
    d->startTime = jack_get_time();
    d->started.store(true, std::memory_order_release);
}

void watchMidiInputs(MidiNameTest accepted, MidiCallback callback)
{
    watch = {accepted, callback};
    if (jack::client() != nullptr && firstAccepted(inputs, accepted) < 0) sayNoAcceptedName();
}

}  // namespace platform
