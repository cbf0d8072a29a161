// The engine latency trace (see timing_trace_jack.h).
#include "platform/jack/timing_trace_jack.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace platform::jack {

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<std::int64_t> lastArrival{0};  // nanoseconds; 0 when none is pending

std::int64_t now() { return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count(); }

std::FILE* traceFile()
{
    static std::FILE* file = [] {
        const char* path = std::getenv("VELMARA_JACK_TIMING");
        return path != nullptr ? std::fopen(path, "w") : nullptr;
    }();
    return file;
}

}  // namespace

void noteMidiArrival() { lastArrival.store(now(), std::memory_order_relaxed); }

void noteBlockSubmitted()
{
    const std::int64_t arrival = lastArrival.exchange(0, std::memory_order_relaxed);
    std::FILE* file = traceFile();
    if (file == nullptr || arrival == 0) return;
    std::fprintf(file, "%.1f\n", static_cast<double>(now() - arrival) / 1000.0);
    std::fflush(file);
}

}  // namespace platform::jack
