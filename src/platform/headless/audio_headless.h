// Controls of the headless wave device: a virtual clock that moves only when
// told, a recording of every frame that was actually played, and failures
// on demand for the open, prepare and write operations.
#pragma once

#include <cstdint>
#include <vector>

namespace platform::headless {

enum class AudioFailure { none, open, prepare, write };

void failAudio(AudioFailure failure);

// Plays the written block for this much virtual time at 44,100 frames per
// second. A block that reaches its end is reported done from the device's
// own thread; this returns after that report has been handled.
void advanceAudioClock(double milliseconds);

// Frames since clock 0, and everything played in them as interleaved
// 16-bit stereo, silence where nothing played.
std::int64_t audioClockFrames();
std::vector<std::int16_t> recordedAudio();

// Back to a closed device at clock 0 with nothing recorded and no failure.
void resetHeadlessAudio();

}  // namespace platform::headless
