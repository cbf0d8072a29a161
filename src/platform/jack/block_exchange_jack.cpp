// The lock-free block hand-over (see block_exchange_jack.h).
#include "platform/jack/block_exchange_jack.h"

#include <thread>

namespace platform::jack {

void BlockExchange::reserve(std::size_t samples)
{
    for (WaveSlot& slot : slots_) slot.samples.resize(samples);
}

void BlockExchange::handOver()
{
    filling_ = waiting_.exchange(filling_ | handedOver, std::memory_order_acq_rel) & ~handedOver;
}

const WaveSlot* BlockExchange::takeHandedOver()
{
    if ((waiting_.load(std::memory_order_acquire) & handedOver) == 0) return nullptr;
    playing_ = waiting_.exchange(playing_, std::memory_order_acq_rel) & ~handedOver;
    return &slots_[playing_];
}

std::uint32_t BlockExchange::owe()
{
    lastBlock_ = (lastBlock_ + 1) & ~reporting;
    if (lastBlock_ == 0) lastBlock_ = 1;
    owed_.store(lastBlock_, std::memory_order_release);
    return lastBlock_;
}

bool BlockExchange::claimOwed(bool (*reporterRuns)())
{
    std::uint32_t owed = owed_.load(std::memory_order_acquire);
    for (;;) {
        // The process thread is between taking the report and making it, a
        // store or two: let it finish, so that its report cannot land after
        // the caller has handed over a newer block. A thread that no longer
        // runs never finishes: its report is the caller's to make.
        if ((owed & reporting) != 0 && reporterRuns()) {
            std::this_thread::yield();
            owed = owed_.load(std::memory_order_acquire);
            continue;
        }
        if (owed == 0) return false;
        if (owed_.compare_exchange_weak(owed, 0, std::memory_order_acq_rel)) return true;
    }
}

bool BlockExchange::claimEnded(std::uint32_t block)
{
    return owed_.compare_exchange_strong(block, block | reporting, std::memory_order_acq_rel);
}

// Settles the report only if nobody took it over and owed a newer block meanwhile.
void BlockExchange::finishReport(std::uint32_t block)
{
    std::uint32_t reported = block | reporting;
    owed_.compare_exchange_strong(reported, 0, std::memory_order_acq_rel);
}

bool BlockExchange::takeOwed() { return owed_.exchange(0, std::memory_order_acq_rel) != 0; }

std::uint32_t BlockExchange::releaseUnfinishedReport()
{
    return owed_.fetch_and(~reporting, std::memory_order_acq_rel) & ~reporting;
}

}  // namespace platform::jack
