// The main thread's wake: a device thread (a real-time one too) signals it
// when it has given the system something to look at, and a window system
// whose pump waits for events watches its descriptor and wakes with it.
#pragma once

namespace platform::posix {

// Any thread: one non-blocking write, no lock. Wakes signalled before the
// main thread clears them stay pending, so none is lost.
void wakeMainThread();

// Readable while a wake is pending.
int mainThreadWakeDescriptor();

// Main thread: takes every pending wake.
void clearMainThreadWake();

}  // namespace platform::posix
