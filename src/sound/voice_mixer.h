// The voice mixer: a running 32-bit sum of the held keys' samples, scaled
// down by the voice count into a 16-bit output, copied into a play buffer
// whose play window goes to the wave output.
#pragma once

#include <cstdint>

constexpr std::int32_t mixLength = 100000;  // entries in each of the three buffers
constexpr int maxMixedVoices = 31;

// The play window: the entries of playBuffer handed to the wave output, from
// entry 80 (byte 160) up to entry 50,000 (byte 100,000), that is 99,840
// bytes or 24,960 stereo frames. Mix entry i comes from sample entry i, so
// of every sample file bytes 160 to 99,999 are heard. Entries from
// playWindowEnd on are never heard and not computed.
constexpr std::int32_t playWindowStart = 80;
constexpr std::int32_t playWindowEnd = 50000;
constexpr std::uint32_t playWindowBytes = (playWindowEnd - playWindowStart) * sizeof(std::int16_t);
static_assert(playWindowBytes == 99840);

// The three buffers, null until the first prepareMix, then held for the life
// of the process: no exit releases them while the device may still read
// playBuffer.
extern std::int32_t* mixAccumulator;
extern std::int16_t* mixOutput;
extern std::int16_t* playBuffer;
extern std::int32_t polyphony;  // keys counted as sounding
// Divisor of the sum for n voices, at index n from 1 to 31.
extern std::int32_t polyphonyDivisor[maxMixedVoices + 1];

// Fills polyphonyDivisor: the natural logarithm of n plus 1, truncated.
void fillPolyphonyDivisor();

// Allocates the three buffers if they do not exist yet and clears the
// accumulator; forgets which samples the held keys added.
void prepareMix();

// Adds the key's sample of the stop (from entry offset on) into the mix,
// unless 31 voices are already mixed, counts the voice and shows the count.
// A slot with no sample, or no mix prepared yet, is ignored. A sample shorter
// than offset + mixLength entries ends the process with exitSampleRefused.
void keyDown(int stop, int key, int offset);

// Takes away what the key's keyDown added and scales the rest by the voices
// that remain; the last voice's release runs resetMix instead. Shows the
// count. The stop argument is not read: the key's own press says what it
// added.
void keyUp(int stop, int key);

// Stops the wave output and clears the accumulator.
void resetMix();

// Stops a buffer still playing, copies the output into the play buffer and
// submits its play window; may end the process as submitWave does.
void playMix();
