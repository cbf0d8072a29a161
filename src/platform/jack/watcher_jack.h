// The watcher: a thread of the backend's own that sleeps until the server
// stops or a port comes or goes. While no server runs it tries four times a
// second to open the client again; while MIDI inputs are watched and no
// keyboard is held, it looks for one as often.
#pragma once

namespace platform::jack {

// Starts the thread once start-up has opened the client and its ports.
void startWatching();

// Wakes the thread; safe from the library's callbacks.
void wakeWatcher();

}  // namespace platform::jack
