// Controls of the headless wave device, for tests and the scenario host: a
// virtual clock that moves only when told, a recording of every frame played,
// and operations that can be told to fail.
#pragma once

#include <cstdint>
#include <vector>

namespace platform::headless {

enum class AudioFailure { none, open, prepare, write };

// From now on the named operation fails (none: every operation succeeds).
void failAudio(AudioFailure failure);

// Moves the clock on; a written block plays at 44,100 frames per second of
// this clock. When the playing block reaches its end it is reported done from
// the device's own thread, and this returns after that report has returned.
void advanceAudioClock(double milliseconds);

// Interleaved stereo frames from clock 0 to the current clock: what a
// listener heard, silence where nothing played.
std::vector<std::int16_t> recordedAudio();

// Writes recordedAudio() as a 44,100 Hz 16-bit stereo WAV file.
bool saveRecordedWav(const char* path);

// Back to a fresh device: a playing block is reset (and reported done), then
// the clock returns to 0, the recording is forgotten and no failure is set.
// An opened device stays open with its callback.
void resetAudioDevice();

}  // namespace platform::headless
