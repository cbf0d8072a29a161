// The JACK engine's block exchange: a done report that a process thread took
// and never finished, cancelled in between, is taken over and never waited
// for, and a thread that finishes late settles nothing newer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "platform/jack/block_exchange_jack.h"

namespace {

using platform::jack::BlockExchange;

bool runs() { return true; }
bool gone() { return false; }

// A key's claim of the report owed, on a thread of its own: 1 or 0 as the
// claim returns, -1 when it has not returned within a second (it is left
// spinning, and the exchange is never destroyed).
int claimOnce(BlockExchange& exchange, bool (*reporterRuns)())
{
    auto result = std::make_shared<std::atomic<int>>(-1);
    std::thread([&exchange, reporterRuns, result] {
        result->store(exchange.claimOwed(reporterRuns) ? 1 : 0);
    }).detach();
    for (int i = 0; i < 100 && result->load() < 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return result->load();
}

TEST(BlockExchange, AReportItsThreadNeverFinishesIsTakenOverNotWaitedFor)
{
    BlockExchange& exchange = *new BlockExchange;
    // Taken by a process thread whose server has gone: the key reports it.
    ASSERT_TRUE(exchange.claimEnded(exchange.owe()));
    EXPECT_EQ(claimOnce(exchange, gone), 1);

    // Taken by a thread the client's reopening closed: owed again, and a key
    // takes it at once while the new server runs.
    const std::uint32_t unfinished = exchange.owe();
    ASSERT_TRUE(exchange.claimEnded(unfinished));
    EXPECT_EQ(exchange.releaseUnfinishedReport(), unfinished);
    EXPECT_EQ(claimOnce(exchange, runs), 1);

    // Taken over when the server stopped, then finished late by its thread
    // after a newer block was written: the newer one stays owed.
    const std::uint32_t late = exchange.owe();
    ASSERT_TRUE(exchange.claimEnded(late));
    ASSERT_TRUE(exchange.takeOwed());
    const std::uint32_t newer = exchange.owe();
    exchange.finishReport(late);
    EXPECT_TRUE(exchange.claimEnded(newer));
}

}  // namespace
