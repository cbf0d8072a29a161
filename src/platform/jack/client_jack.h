// The one JACK client "velmara" that audio out, MIDI in and sound-file
// playback share: opened at start-up (never starting a server), with one
// process callback that serves all three. When its server stops, the client
// is opened again, with the ports and connections it had, once a server runs
// again (see watcher_jack.h).
#pragma once

#include <jack/jack.h>

namespace platform::jack {

// Start-up (main thread) and then the watcher thread only.

// The client, or null while no server runs. The first call tries to
// connect; later calls return what is open.
jack_client_t* client();

// The two audio outputs, registered and connected to the first two physical
// playback ports, now and at each reopening. False without a client.
bool openOutputs();

// The MIDI input "midi_in", registered on the first call and again at each
// reopening; null without a client.
jack_port_t* midiInputPort();

// Closes a client whose server has stopped and tries once to open it again
// with its ports and connections; true when a client runs.
bool reopenClient();

// Any thread.

// Whether a server runs the client, and its frame rate (0 while none runs).
bool serverRunning();
jack_nframes_t serverRate();

// Each part's share of one process cycle, called on JACK's thread in this
// order: MIDI is read first, then the wave block fills the outputs, then a
// sound file being played is added to them.
void receiveMidi(jack_client_t* client, jack_port_t* port, jack_nframes_t frames);
void renderWaveBlock(float* left, float* right, jack_nframes_t frames);
void mixSoundFile(float* left, float* right, jack_nframes_t frames);

// Called on the watcher thread once the server has stopped: the block it
// cut off is reported done.
void reportCutOffBlock();

// Called on the watcher thread between two clients, while no process thread
// runs: each part starts the new client silent, at its rate.
bool restartWaveOutput(jack_nframes_t rate);
void stopSoundFile();

// Called on the watcher thread while a server runs: when MIDI inputs are
// watched and "midi_in" has no source, connects the first MIDI source port
// whose name is accepted. True when nothing is left to look for: a keyboard
// is held, or none is watched for.
bool keepKeyboard();

}  // namespace platform::jack
