// The watcher thread (see watcher_jack.h).
#include "platform/jack/watcher_jack.h"

#include <semaphore.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

#include "platform/jack/client_jack.h"

namespace platform::jack {

namespace {

constexpr long retryNanoseconds = 250'000'000;

// Ready before any client exists, so that every callback may post it.
struct WakeSignal {
    sem_t semaphore;
    WakeSignal() { sem_init(&semaphore, 0, 0); }
};

WakeSignal wake;

// Sleeps until woken, or at most a retry's time when something is left to do.
void sleepUntilWoken(bool retrySoon)
{
    timespec until{};
    clock_gettime(CLOCK_MONOTONIC, &until);
    until.tv_nsec += retryNanoseconds;
    if (until.tv_nsec >= 1'000'000'000) {
        until.tv_nsec -= 1'000'000'000;
        ++until.tv_sec;
    }
    int slept = 0;
    do {
        slept = retrySoon ? sem_clockwait(&wake.semaphore, CLOCK_MONOTONIC, &until) : sem_wait(&wake.semaphore);
    } while (slept != 0 && errno == EINTR);
}

void watch()
{
    bool reported = false;  // the stop has been said on standard error
    for (;;) {
        if (!serverRunning() && !reported) {
            reportCutOffBlock();
            std::fputs("velmara: the JACK server has stopped; Velmara reconnects when one runs again\n", stderr);
            reported = true;
            // The library's thread that reported the stop is still leaving
            // its handler; closing the client under it can leave libjack
            // deadlocked, so it is given time to end first.
            std::this_thread::sleep_for(std::chrono::nanoseconds(retryNanoseconds));
        }
        if (!serverRunning() && reopenClient()) {
            std::fputs("velmara: connected to the JACK server again\n", stderr);
            reported = false;
        }
        const bool settled = serverRunning() && keepKeyboard();
        sleepUntilWoken(!settled);
    }
}

}  // namespace

void startWatching() { std::thread(watch).detach(); }

void wakeWatcher() { sem_post(&wake.semaphore); }

}  // namespace platform::jack
