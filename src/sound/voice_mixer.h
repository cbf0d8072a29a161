// The voice mixer: a running 32-bit sum of the held keys' samples, scaled
// down by the voice count into a 16-bit output, copied into a play buffer
// whose play window goes to the wave output.
#pragma once

#include <cstdint>
#include <memory>

constexpr std::int32_t mixLength = 100000;
constexpr std::int32_t playWindowStart = 80;                 // entries
constexpr std::uint32_t playWindowBytes = mixLength - 160;  // 99,840 bytes
// Entries past the play window never reach the device and are not computed.
constexpr std::int32_t heardLength = playWindowStart + static_cast<std::int32_t>(playWindowBytes / 2);
constexpr int maxMixedVoices = 31;

extern std::unique_ptr<std::int32_t[]> mixAccumulator;
extern std::unique_ptr<std::int16_t[]> mixOutput;
extern std::unique_ptr<std::int16_t[]> playBuffer;
extern std::int32_t polyphony;
extern std::int32_t polyphonyDivisor[maxMixedVoices + 1];

void fillPolyphonyDivisor();
void prepareMix();
void keyDown(int stop, int key, int offset);
void keyUp(int stop, int key);
void resetMix();
void playMix();
