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

bool BlockExchange::claimOwed()
{
    std::uint32_t owed = owed_.load(std::memory_order_acquire);
    for (;;) {
        // The process thread is between taking the report and making it, a
        // store or two: let it finish, so that its report cannot land after
        // the caller has handed over a newer block.
        if ((owed & reporting) != 0) {
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

void BlockExchange::finishReport() { owed_.store(0, std::memory_order_release); }

}  // namespace platform::jack
