// The end-to-end tests' JACK peer, in two clients so that in every cycle the
// keyboard runs before Velmara and the recorder after it: "keyboard" owns
// MIDI output ports (the second aliased "Axiom Pro 61 USB A In") and sends
// messages at chosen frames, and can be unplugged and plugged in again;
// "recorder" owns two audio inputs and records everything they receive from
// the moment it starts.
#pragma once

#include <jack/jack.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace linux_test {

struct ShortMessage {
    std::uint8_t status;
    std::uint8_t data1;
    std::uint8_t data2;
};

class JackTestClient {
public:
    static constexpr const char* acceptedAlias = "Axiom Pro 61 USB A In";
    static constexpr const char* rejectedAlias = "Axiom Pro 61 HyperControl In";

    explicit JackTestClient(const std::string& server);
    ~JackTestClient();
    JackTestClient(const JackTestClient&) = delete;
    JackTestClient& operator=(const JackTestClient&) = delete;

    // False when the server cannot be reached or a port cannot be made.
    // Without aliased the keyboard's second port gets no accepted alias.
    bool open(double recordSeconds, bool aliased = true);

    // The keyboard client closes, its ports going with it, and opens again.
    void unplugKeyboard();
    bool plugKeyboard(bool aliased = true);
    // Gives the keyboard's second port its accepted alias.
    void aliasKeyboard();

    jack_nframes_t rate() const { return rate_; }
    jack_nframes_t period() const;

    // The full names of the keyboard's two MIDI ports, the rejected one first.
    std::string rejectedPort() const;
    std::string acceptedPort() const;

    // Sends the messages together in the next cycle, offset frames into it,
    // and returns, once sent, the frame time they carried.
    jack_nframes_t send(const std::vector<ShortMessage>& messages, jack_nframes_t offset = 0);

    bool isConnected(const std::string& source, const std::string& destination) const;

    // Connects Velmara's two outputs to the recorder.
    bool listenToVelmara();

    // The frames of one channel (0 left, 1 right) from frame time first on,
    // waiting at most timeoutMs until they have been recorded; shorter when
    // the recording ends or the wait times out.
    std::vector<float> recorded(int channel, jack_nframes_t first, jack_nframes_t count, int timeoutMs = 5000) const;

    // The frame time of the first recorded frame at or after first whose
    // left or right sample is not zero, waiting at most timeoutMs.
    bool firstSound(jack_nframes_t first, jack_nframes_t& found, int timeoutMs) const;

    // Writes frames [first, first + count) as a 32-bit float stereo WAV.
    bool saveWav(const std::string& path, jack_nframes_t first, jack_nframes_t count) const;

    jack_nframes_t frameTime() const;

    // Runs attempt, which strikes keys and listens, until what it hears is
    // right. A try that fails while a cycle was missed proves nothing either
    // way (an xrun on a loaded machine drops a cycle's sound and its MIDI):
    // the keys are released, the organ heard silent, and it is played again,
    // five times at most. A try that fails with no cycle missed is the answer.
    template <typename Attempt>
    auto playUndisturbed(const std::vector<int>& keys, Attempt attempt) -> decltype(attempt())
    {
        for (int tries = 1;; ++tries) {
            const int missed = missedCycles();
            auto heard = attempt();
            if (heard || tries == 5 || !missedSince(missed) || !release(keys)) return heard;
        }
    }

private:
    static constexpr int maxBatch = 8;

    static int keyboardProcess(jack_nframes_t frames, void* self);
    static int recorderProcess(jack_nframes_t frames, void* self);
    static int countXrun(void* self);

    bool openRecorder(double recordSeconds);

    // How many cycles the recording may have missed since it started: those
    // the server skipped for the recorder, and those it reported the
    // recorder late for (an xrun, told a moment after it).
    int missedCycles() const { return missedCycles_.load(); }

    // Whether the count of missed cycles has grown past `missed`, waiting a
    // moment for the server's late word of an xrun.
    bool missedSince(int missed) const;

    // Sends note-offs for the keys; true once the organ is heard silent.
    bool release(const std::vector<int>& keys);

    jack_nframes_t recordedEnd() const;

    std::string server_;
    jack_client_t* keyboard_ = nullptr;
    jack_client_t* recorder_ = nullptr;
    jack_port_t* rejected_ = nullptr;
    jack_port_t* accepted_ = nullptr;
    jack_port_t* inputs_[2] = {nullptr, nullptr};
    jack_nframes_t rate_ = 0;

    // One batch of messages handed from the test to the keyboard's cycle.
    ShortMessage batch_[maxBatch] = {};
    int batchCount_ = 0;
    jack_nframes_t batchOffset_ = 0;
    std::atomic<int> batchState_{0};  // 0 empty, 1 waiting to be sent, 2 sent
    jack_nframes_t batchSentAt_ = 0;

    std::vector<float> channels_[2];
    std::atomic<bool> recording_{false};
    jack_nframes_t recordStart_ = 0;
    std::atomic<std::size_t> recordedFrames_{0};
    jack_nframes_t nextCycle_ = 0;
    std::atomic<int> missedCycles_{0};
};

}  // namespace linux_test
