// The voice mixer: a running 32-bit sum of the held keys' samples, scaled
// down by the voice count into a 16-bit output, copied into a play buffer
// whose play window goes to the wave output.
#pragma once

#include <cstdint>
#include <memory>

constexpr std::int32_t mixLength = 100000;
constexpr std::int32_t playWindowStart = 80;                 // entries
constexpr std::uint32_t playWindowBytes = mixLength - 160;  // 99,840 bytes
constexpr int maxMixedVoices = 31;

extern std::unique_ptr<std::int32_t[]> mixAccumulator;
extern std::unique_ptr<std::int16_t[]> mixOutput;
extern std::unique_ptr<std::int16_t[]> playBuffer;
extern std::int32_t polyphony;
extern std::int32_t polyphonyDivisor[maxMixedVoices + 1];

void fillPolyphonyDivisor();

// Allocates the buffers once and clears the accumulator; keys still held
// stay counted, but their samples are no longer in the mix.
void prepareMix();

// Counts the key and, while fewer than 31 voices are mixed, adds its sample
// from entry offset on. A slot without a sample is ignored; a sample shorter
// than offset + mixLength entries ends the process with exit code 801.
void keyDown(int stop, int key, int offset);

// Takes out exactly what keyDown put in for the key, whatever the stop now.
void keyUp(int stop, int key);

void resetMix();

// Copies the play window of the output and hands it to the wave output;
// nothing is played before the first prepareMix.
void playMix();
