// The shared JACK client (see client_jack.h).
#include "platform/jack/client_jack.h"

#include <atomic>
#include <cstdio>

namespace platform::jack {

namespace {

struct ClientState {
    bool tried = false;
    jack_client_t* client = nullptr;
    bool outputsOpen = false;
    std::atomic<jack_port_t*> left{nullptr};
    std::atomic<jack_port_t*> right{nullptr};
    std::atomic<bool> gone{false};
};

ClientState state;

int process(jack_nframes_t frames, void*)
{
    receiveMidi(frames);
    jack_port_t* left = state.left.load(std::memory_order_acquire);
    jack_port_t* right = state.right.load(std::memory_order_acquire);
    if (left == nullptr || right == nullptr) return 0;
    auto* leftBuffer = static_cast<float*>(jack_port_get_buffer(left, frames));
    auto* rightBuffer = static_cast<float*>(jack_port_get_buffer(right, frames));
    renderWaveBlock(leftBuffer, rightBuffer, frames);
    mixSoundFile(leftBuffer, rightBuffer, frames);
    return 0;
}

void serverShutdown(void*) { state.gone.store(true); }

void ignoreMessage(const char*) {}

void printError(const char* message) { std::fprintf(stderr, "velmara: JACK: %s\n", message); }

jack_client_t* connectToServer()
{
    // A missing server is the one expected failure; say it in one line
    // instead of the library's several.
    jack_set_error_function(ignoreMessage);
    jack_status_t status{};
    jack_client_t* opened = jack_client_open("velmara", JackNoStartServer, &status);
    jack_set_error_function(printError);
    if (opened == nullptr) {
        std::fputs("velmara: no JACK server is running (start one, or use scripts/run --start-jack)\n", stderr);
        return nullptr;
    }
    jack_set_process_callback(opened, process, nullptr);
    jack_on_shutdown(opened, serverShutdown, nullptr);
    if (jack_activate(opened) != 0) {
        jack_client_close(opened);
        return nullptr;
    }
    return opened;
}

jack_port_t* registerOutput(const char* name)
{
    return jack_port_register(state.client, name, JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
}

void connectToPlayback(jack_port_t* left, jack_port_t* right)
{
    const char** playback =
        jack_get_ports(state.client, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | JackPortIsInput);
    if (playback == nullptr) return;
    if (playback[0] != nullptr) {
        jack_connect(state.client, jack_port_name(left), playback[0]);
        jack_connect(state.client, jack_port_name(right), playback[1] != nullptr ? playback[1] : playback[0]);
    }
    jack_free(playback);
}

}  // namespace

jack_client_t* client()
{
    if (!state.tried) {
        state.tried = true;
        state.client = connectToServer();
    }
    return state.client;
}

bool openOutputs()
{
    if (state.outputsOpen) return true;
    if (client() == nullptr) return false;
    jack_port_t* left = registerOutput("out_left");
    jack_port_t* right = registerOutput("out_right");
    if (left == nullptr || right == nullptr) return false;
    state.left.store(left, std::memory_order_release);
    state.right.store(right, std::memory_order_release);
    connectToPlayback(left, right);
    state.outputsOpen = true;
    return true;
}

jack_nframes_t serverRate() { return client() != nullptr ? jack_get_sample_rate(state.client) : 0; }

bool serverGone() { return state.gone.load(); }

}  // namespace platform::jack
