// The JACK engine on its own: the done reports of its blocks when a process
// thread stops in the middle of one, first in the block exchange alone, then
// in the wave device against a private server that stops and starts, each
// report made off the main thread waking it.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "desktop_session.h"
#include "platform/audio.h"
#include "platform/jack/block_exchange_jack.h"
#include "platform/jack/client_jack.h"
#include "platform/posix/wake_posix.h"

namespace linux_test {

namespace {

using namespace std::chrono_literals;

bool runs() { return true; }
bool gone() { return false; }

template <typename Condition>
bool waitFor(Condition condition, std::chrono::milliseconds limit = 5000ms)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// Runs the step on a thread of its own; false when it has not returned
// within two seconds (a thread left spinning is never joined).
bool returns(std::function<void()> step)
{
    auto returned = std::make_shared<std::atomic<bool>>(false);
    std::thread([=] {
        step();
        returned->store(true);
    }).detach();
    return waitFor([&] { return returned->load(); }, 2000ms);
}

TEST(BlockExchange, AReportItsThreadNeverFinishesIsTakenOverNotWaitedFor)
{
    // Never destroyed: a claim left spinning may still read it.
    auto& exchange = *new platform::jack::BlockExchange;
    bool claimed = false;
    // The process thread takes the report of a block and is cancelled.
    ASSERT_TRUE(exchange.claimEnded(exchange.owe()));
    ASSERT_TRUE(returns([&] { claimed = exchange.claimOwed(gone); })) << "a write waits for a thread that is gone";
    EXPECT_TRUE(claimed);
    EXPECT_FALSE(exchange.owesReport());

    // Once no process thread runs, the unfinished report is owed again, to
    // the next one, and a write does not wait for it.
    const std::uint32_t second = exchange.owe();
    ASSERT_TRUE(exchange.claimEnded(second));
    EXPECT_EQ(exchange.releaseUnfinishedReport(), second);
    ASSERT_TRUE(returns([&] { claimed = exchange.claimOwed(runs); })) << "a write waits for a report nobody makes";
    EXPECT_TRUE(claimed);

    // A thread that finishes late does not settle a newer block's report.
    const std::uint32_t third = exchange.owe();
    ASSERT_TRUE(exchange.claimEnded(third));
    ASSERT_TRUE(exchange.takeOwed());
    const std::uint32_t fourth = exchange.owe();
    exchange.finishReport(third);
    EXPECT_TRUE(exchange.claimEnded(fourth));
}

std::atomic<int> reports{0};
std::atomic<bool> reporterStalled{false};
std::atomic<bool> reporterReleased{false};

// The first report, the process thread's, stalls half made until the test
// releases it: a process thread stopped in the middle of a report, as by a
// server that stops then.
void onWaveMessage(std::uint32_t message)
{
    if (message != platform::waveMessageDone) return;
    ++reports;
    if (reporterStalled.exchange(true)) return;
    while (!reporterReleased.load()) std::this_thread::sleep_for(5ms);
}

// A private jackd with the dummy driver and no playback ports, so that the
// backend has nothing to connect once its client is active; ready when
// jack_wait, a client of another process, finds it (a second client opened
// in this one while the backend's watcher opens its own can deadlock
// libjack).
bool startServer(ChildProcess& jackd, const std::string& name, const std::string& scratch)
{
    return jackd.start(
               {"jackd", "--realtime", "-P", "70", "-n", name, "-d", "dummy", "-r", "44100", "-p", "256", "-P", "0"},
               {"JACK_NO_AUDIO_RESERVATION=1"}, "", scratch + "/jackd") &&
           std::system(("jack_wait -s " + name + " -w -t 10 >/dev/null 2>&1").c_str()) == 0;
}

// A key's block, as the main thread writes it.
bool writeReturns(platform::WaveDevice* device, platform::WaveHeader& header)
{
    return returns([=, &header] {
        platform::prepareWaveBlock(device, header);
        platform::writeWaveBlock(device, header);
    });
}

TEST(JackWaveDevice, AReportCutOffByTheServerNeverHangsTheNextKey)
{
    const std::string name = "velmara-engine-" + std::to_string(::getpid());
    ChildProcess jackd;
    ASSERT_TRUE(startServer(jackd, name, makeScratchDirectory("jack-engine")));
    ::setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);

    platform::WaveDevice* device = nullptr;
    const platform::WaveFormat format{1, 2, 44100, 176400, 4, 16, 0};
    ASSERT_EQ(platform::openWaveDevice(&device, format, onWaveMessage), 0);
    const std::vector<std::int16_t> block(2 * 64, 1000);
    platform::WaveHeader header{block.data(), static_cast<std::uint32_t>(block.size() * 2), 0, 1};
    ASSERT_TRUE(writeReturns(device, header));
    ASSERT_TRUE(waitFor([] { return reporterStalled.load(); })) << "the block was never reported done";

    jackd.stop();
    ASSERT_TRUE(waitFor([] { return !platform::jack::serverRunning(); }));
    EXPECT_TRUE(writeReturns(device, header)) << "a key with no server waited for the stalled report";
    // Finishing late, the old process thread settles nothing that is not its own.
    reporterReleased = true;

    ASSERT_TRUE(startServer(jackd, name, makeScratchDirectory("jack-engine-again")));
    ASSERT_TRUE(waitFor([] { return platform::jack::serverRunning(); })) << "the client was not opened again";
    ASSERT_TRUE(waitFor([] { return reports.load() == 3; })) << "the block written without a server is unreported";
    platform::posix::clearMainThreadWake();
    EXPECT_TRUE(writeReturns(device, header)) << "a key after the client was opened again hung";
    // Each block reported once: the first (taken over when the server
    // stopped), the one written without a server, the last once played,
    // which wakes the main thread.
    EXPECT_TRUE(waitFor([] { return reports.load() == 4; })) << reports.load() << " reports";
    pollfd wake{platform::posix::mainThreadWakeDescriptor(), POLLIN, 0};
    EXPECT_EQ(::poll(&wake, 1, 0), 1) << "the block's end did not wake the main thread";

    // Closed before its server stops, as when the program ends: a server
    // stopped under a client may die of SIGPIPE and leave its name
    // registered, and JACK allows eight.
    jack_client_close(platform::jack::client());
}

}  // namespace

}  // namespace linux_test
