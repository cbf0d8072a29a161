// One organ pipe synthesised as a sample: additive synthesis from the rank's
// harmonic spectrum, an onset with chiff, breath noise, and a fade at the end.
#pragma once

#include <cstdint>
#include <vector>

#include "pipe_rank.h"

constexpr int sampleRate = 44100;
constexpr double sampleSeconds = 1.2;

// Interleaved stereo 16-bit frames of the pipe of the rank for the key
// sounding at MIDI note midiNote (tuned in equal temperament, A4 = 440 Hz).
std::vector<std::int16_t> synthesizePipe(const PipeRank& rank, int midiNote);
