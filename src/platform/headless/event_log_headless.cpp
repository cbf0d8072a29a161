// The headless host's event log (see event_log_headless.h).
#include "platform/headless/event_log_headless.h"

#include <cstdio>
#include <mutex>

namespace platform::headless {

namespace {
std::mutex logMutex;
std::FILE* logFile = nullptr;
}  // namespace

bool openEventLog(const char* path)
{
    std::lock_guard lock(logMutex);
    if (logFile != nullptr) std::fclose(logFile);
    logFile = std::fopen(path, "wb");
    return logFile != nullptr;
}

void logEvent(const std::string& line)
{
    std::lock_guard lock(logMutex);
    if (logFile == nullptr) return;
    std::fwrite(line.data(), 1, line.size(), logFile);
    std::fputc('\n', logFile);
    std::fflush(logFile);
}

}  // namespace platform::headless
