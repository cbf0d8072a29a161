// The shared JACK client (see client_jack.h).
#include "platform/jack/client_jack.h"

#include <atomic>
#include <cstdio>

#include "platform/jack/timing_trace_jack.h"
#include "platform/jack/watcher_jack.h"

namespace platform::jack {

namespace {

struct ClientState {
    bool tried = false;
    jack_client_t* client = nullptr;
    bool outputsWanted = false;
    bool midiInputWanted = false;
    std::atomic<jack_port_t*> left{nullptr};
    std::atomic<jack_port_t*> right{nullptr};
    std::atomic<jack_port_t*> midiIn{nullptr};
    std::atomic<bool> running{false};
    std::atomic<jack_nframes_t> rate{0};
    // While true the library's messages are not shown: a missing server is
    // expected when connecting, and said in one line of our own.
    std::atomic<bool> quiet{false};
};

ClientState state;

int process(jack_nframes_t frames, void* client)
{
    receiveMidi(static_cast<jack_client_t*>(client), state.midiIn.load(std::memory_order_acquire), frames);
    jack_port_t* left = state.left.load(std::memory_order_acquire);
    jack_port_t* right = state.right.load(std::memory_order_acquire);
    if (left == nullptr || right == nullptr) return 0;
    auto* leftBuffer = static_cast<float*>(jack_port_get_buffer(left, frames));
    auto* rightBuffer = static_cast<float*>(jack_port_get_buffer(right, frames));
    renderWaveBlock(leftBuffer, rightBuffer, frames);
    mixSoundFile(leftBuffer, rightBuffer, frames);
    return 0;
}

// Both run on a thread of the library, and only flag and wake.
void serverShutdown(void*)
{
    state.running.store(false);
    noteServerStopped();
    wakeWatcher();
}

void portRegistered(jack_port_id_t, int, void*) { wakeWatcher(); }

void printError(const char* message)
{
    if (!state.quiet.load()) std::fprintf(stderr, "velmara: JACK: %s\n", message);
}

// A client with its callbacks, not yet active; null when no server runs.
jack_client_t* openClient()
{
    jack_set_error_function(printError);
    jack_status_t status{};
    state.quiet.store(true);
    jack_client_t* opened = jack_client_open("velmara", JackNoStartServer, &status);
    state.quiet.store(false);
    if (opened == nullptr) return nullptr;
    jack_set_process_callback(opened, process, opened);
    jack_on_shutdown(opened, serverShutdown, nullptr);
    jack_set_port_registration_callback(opened, portRegistered, nullptr);
    return opened;
}

bool activate(jack_client_t* opened)
{
    if (jack_activate(opened) != 0) return false;
    state.rate.store(jack_get_sample_rate(opened));
    state.running.store(true);
    return true;
}

jack_port_t* registerPort(const char* name, const char* type, unsigned long flags)
{
    return jack_port_register(state.client, name, type, flags, 0);
}

bool registerOutputs()
{
    jack_port_t* left = registerPort("out_left", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
    jack_port_t* right = registerPort("out_right", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
    if (left == nullptr || right == nullptr) return false;
    state.left.store(left, std::memory_order_release);
    state.right.store(right, std::memory_order_release);
    return true;
}

void registerMidiInput()
{
    state.midiIn.store(registerPort("midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput), std::memory_order_release);
}

void connectToPlayback()
{
    const char** playback =
        jack_get_ports(state.client, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | JackPortIsInput);
    if (playback == nullptr) return;
    if (playback[0] != nullptr) {
        jack_connect(state.client, jack_port_name(state.left.load()), playback[0]);
        jack_connect(state.client, jack_port_name(state.right.load()),
                     playback[1] != nullptr ? playback[1] : playback[0]);
    }
    jack_free(playback);
}

// Quiet: the server of the client closed may be gone.
void closeClient()
{
    state.quiet.store(true);
    if (state.client != nullptr) jack_client_close(state.client);
    state.quiet.store(false);
    state.client = nullptr;
    state.left.store(nullptr);
    state.right.store(nullptr);
    state.midiIn.store(nullptr);
}

// Registers the ports the old client had and starts the parts over, while
// no process thread runs yet; then activates and connects the outputs.
bool restoreClient(jack_client_t* opened)
{
    state.client = opened;
    if (state.outputsWanted && !registerOutputs()) return false;
    if (state.midiInputWanted) registerMidiInput();
    stopSoundFile();
    if (!restartWaveOutput(jack_get_sample_rate(opened)) || !activate(opened)) return false;
    if (state.outputsWanted) connectToPlayback();
    return true;
}

}  // namespace

jack_client_t* client()
{
    if (!state.tried) {
        state.tried = true;
        state.client = openClient();
        if (state.client != nullptr && !activate(state.client)) closeClient();
        if (state.client == nullptr)
            std::fputs("velmara: no JACK server is running (start one, or use scripts/run --start-jack)\n", stderr);
    }
    return state.client;
}

bool openOutputs()
{
    if (state.outputsWanted) return true;
    if (client() == nullptr || !registerOutputs()) return false;
    connectToPlayback();
    state.outputsWanted = true;
    return true;
}

jack_port_t* midiInputPort()
{
    if (!state.midiInputWanted && client() != nullptr) {
        registerMidiInput();
        state.midiInputWanted = true;
    }
    return state.midiIn.load();
}

bool reopenClient()
{
    closeClient();
    jack_client_t* opened = openClient();
    if (opened == nullptr) return false;
    if (restoreClient(opened)) return true;
    closeClient();
    return false;
}

bool serverRunning() { return state.running.load(); }

jack_nframes_t serverRate() { return state.running.load() ? state.rate.load() : 0; }

}  // namespace platform::jack
