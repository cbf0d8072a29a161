// The key scan (see key_scan.h). Each flag is read once per pass, so the key
// that is drawn and mixed is exactly the state copied into keyStatePrev, even
// while the MIDI callback writes the flag.
#include "shell/key_scan.h"

#include "bank/organ_bank.h"
#include "display/keyboard.h"
#include "midi/midi_input.h"
#include "shell/app_state.h"
#include "sound/voice_mixer.h"
#include "sound/wave_output.h"

namespace {

void scanKey(int stop, int key)
{
    const std::uint8_t state = keyState[key].load(std::memory_order_relaxed);
    if (state == keyStatePrev[key]) return;
    playPending = 1;
    if (state == 1) {
        drawKey(keyboardOriginX, keyboardOriginY, key, pressedColor);
        keyDown(stop, key, 0);
    } else {
        playPending = 0;
        drawKey(keyboardOriginX, keyboardOriginY, key, restColor[key % 12]);
        keyUp(stop, key);
    }
    keyStatePrev[key] = state;
}

}  // namespace

void keyScan()
{
    const int stop = organBank.currentStop;
    if (waveDone.load() == 1) stopWaveOutput();
    for (int key = 0; key < keyCount; ++key) scanKey(stop, key);
    if (playPending == 1) {
        playMix();
        playPending = 0;
    } else if (waveDone.load() == 1) {
        stopWaveOutput();
    }
}
