// The one JACK client "velmara" that audio out, MIDI in and sound-file
// playback share: opened on first use (never starting a server), with one
// process callback that serves all three.
#pragma once

#include <jack/jack.h>

namespace platform::jack {

// The active client, or null when no JACK server runs. Only the first call
// tries to connect; later calls return what it found.
jack_client_t* client();

// The two audio output ports, registered and connected to the first two
// physical playback ports on the first call. False without a client.
bool openOutputs();

// The server's frame rate; 0 without a client.
jack_nframes_t serverRate();

// Each part's share of one process cycle, called on JACK's thread in this
// order: MIDI is read first, then the wave block fills the outputs, then a
// sound file being played is added to them.
void receiveMidi(jack_nframes_t frames);
void renderWaveBlock(float* left, float* right, jack_nframes_t frames);
void mixSoundFile(float* left, float* right, jack_nframes_t frames);

// True once the server has shut the client down; nothing is processed after.
bool serverGone();

}  // namespace platform::jack
