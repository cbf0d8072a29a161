// velmara_selftest DEFINITION KEY...: plays a chord through the real wave
// output without a window. Loads the organ, holds the keys by setting their
// keyState flags, runs key-scan passes while the play window sounds, then
// releases them; the last key up stops the device. Prints whether the device
// reported the block done.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bank/organ_bank.h"
#include "midi/midi_input.h"
#include "shell/key_scan.h"
#include "sound/voice_mixer.h"
#include "sound/wave_output.h"

namespace {

// Longer than the 0.566 s play window, so the whole window is heard.
constexpr auto holdTime = std::chrono::milliseconds(1500);

void setKeys(const std::vector<int>& keys, std::uint8_t state)
{
    for (int key : keys) keyState[key].store(state);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<int> keys;
    for (int i = 2; i < argc; ++i) keys.push_back(std::atoi(argv[i]));
    if (keys.empty()) {
        std::fprintf(stderr, "usage: velmara_selftest DEFINITION KEY...\n");
        return 2;
    }
    for (int key : keys)
        if (key < 0 || key >= keyCount) {
            std::fprintf(stderr, "velmara_selftest: key %d is not on the manual\n", key);
            return 2;
        }

    openWaveOutput();
    loadOrgan(argv[1]);
    prepareMix();

    setKeys(keys, 1);
    const auto start = std::chrono::steady_clock::now();
    bool done = false;
    while (std::chrono::steady_clock::now() - start < holdTime) {
        keyScan();
        done = done || waveDone.load() == 1;
    }
    setKeys(keys, 0);
    keyScan();
    std::printf("voices %d, block reported done: %s\n", static_cast<int>(keys.size()), done ? "yes" : "no");
    return 0;
}
