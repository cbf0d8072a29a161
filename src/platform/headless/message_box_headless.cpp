// The headless host's message box: recorded in the event log and on standard
// error, and answered OK at once.
#include <cstdio>
#include <string>

#include "platform/headless/event_log_headless.h"
#include "platform/window.h"

namespace platform {

void messageBox(const char* text, const char* caption)
{
    const std::string line = std::string("messagebox ") + caption + "|" + text;
    headless::logEvent(line);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

}  // namespace platform
