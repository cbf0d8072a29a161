// The engine timing trace (see timing_trace_jack.h).
#include "platform/jack/timing_trace_jack.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace platform::jack {

namespace {

using Clock = std::chrono::steady_clock;

// Nanoseconds; 0 when none is pending.
std::atomic<std::int64_t> lastArrival{0};
std::atomic<std::int64_t> serverStop{0};

std::int64_t now()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

std::FILE* traceFile()
{
    static std::FILE* file = [] {
        const char* path = std::getenv("VELMARA_JACK_TIMING");
        return path != nullptr ? std::fopen(path, "w") : nullptr;
    }();
    return file;
}

// One line, the label then the microseconds since start, when start is an
// event noted.
void trace(const char* label, std::int64_t start)
{
    std::FILE* file = traceFile();
    if (file == nullptr || start == 0) return;
    std::fprintf(file, "%s%.1f\n", label, static_cast<double>(now() - start) / 1000.0);
    std::fflush(file);
}

}  // namespace

void noteMidiArrival() { lastArrival.store(now(), std::memory_order_relaxed); }

void noteBlockSubmitted() { trace("", lastArrival.exchange(0, std::memory_order_relaxed)); }

void noteServerStopped() { serverStop.store(now(), std::memory_order_relaxed); }

void noteCutOffReported() { trace("cut-off ", serverStop.exchange(0, std::memory_order_relaxed)); }

}  // namespace platform::jack
