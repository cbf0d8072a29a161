// The hand-over of wave blocks from the main thread to the process thread
// without a lock or a wait: three slots each holding a private copy of a
// block, one the main thread fills, one waiting, one the process thread
// plays; and the one done report each block is owed, made by whichever
// thread ends the block first. A process thread may vanish in the middle of
// a report (its client closed, its server gone): the report is then taken
// over, never waited for.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

namespace platform::jack {

// A copy of one block; a slot of no frames asks for silence.
struct WaveSlot {
    std::vector<std::int16_t> samples;
    std::uint32_t frameCount = 0;
    std::uint32_t block = 0;  // the block's number, 0 for silence
};

class BlockExchange {
public:
    // Gives each slot room for that many samples; done once, at open.
    void reserve(std::size_t samples);

    // Main thread: the slot to fill, then hand it over. Whatever was
    // waiting and not yet taken is dropped.
    WaveSlot& slotToFill() { return slots_[filling_]; }
    void handOver();

    // Process thread (or the watcher between two clients, while none runs):
    // the slot handed over since the last call, or null.
    const WaveSlot* takeHandedOver();

    // The number of a new block, from now on owed its done report.
    std::uint32_t owe();
    // Main thread: takes the report owed, if any; true when the caller must
    // now report a block done. A report the process thread is making is let
    // finish while reporterRuns() says that thread can, and taken over once
    // it says no more.
    bool claimOwed(bool (*reporterRuns)());
    // Process thread: true when block is still owed its report and the
    // caller must report it now; finishReport(block) once it has.
    bool claimEnded(std::uint32_t block);
    void finishReport(std::uint32_t block);
    // Once the process thread has stopped: takes the report owed, also one
    // it began and never finished; true when the caller must now report a
    // block done.
    bool takeOwed();
    // While no process thread runs: a report one began and never finished
    // is owed again; returns the block owed its report, 0 for none.
    std::uint32_t releaseUnfinishedReport();

    // Whether a block written from the main thread is still owed its report.
    bool owesReport() const { return owed_.load(std::memory_order_acquire) != 0; }

private:
    static constexpr int handedOver = 4;                  // flag beside a slot index
    static constexpr std::uint32_t reporting = 1u << 31;  // flag beside a block number

    WaveSlot slots_[3];
    int filling_ = 0;                     // main thread's
    std::atomic<int> waiting_{1};         // a slot index, with handedOver when fresh
    int playing_ = 2;                     // process thread's
    std::uint32_t lastBlock_ = 0;         // main thread's
    std::atomic<std::uint32_t> owed_{0};  // the block owed its report, 0 for none
};

}  // namespace platform::jack
