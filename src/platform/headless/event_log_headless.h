// The headless host's event log: one line per event the window system or a
// device saw, in order, written as the system's bytes.
#pragma once

#include <string>

namespace platform::headless {

// Starts writing events to path; without it events are dropped.
bool openEventLog(const char* path);

// Safe from any thread; each line is written and flushed whole.
void logEvent(const std::string& line);

}  // namespace platform::headless
