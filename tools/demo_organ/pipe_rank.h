// The ranks of the demo organ and the voicing of each pipe family: the
// harmonic spectrum while the pipe speaks and once it has settled, how fast
// it speaks, its chiff and its wind noise.
#pragma once

#include <array>

enum class PipeFamily { principal, stoppedFlute, trumpetReed, cromorneReed };

struct PipeRank {
    const char* name;      // the stop's name, also its sample directory
    int pitchMultiple;     // 1 for an 8' rank, 2 for 4', 4 for 2'
    PipeFamily family;
    double peakLevel;      // peak of every sample, in 16-bit units
};

struct PipeSpeech {
    double onsetSeconds;   // from silence to full speech
    double chiffLevel;     // noise burst at the onset, relative to the tone
    double chiffFrequency; // centre of the chiff's band, Hz
    double windLevel;      // steady breath noise, relative to the tone
};

// In the order of the organ definition.
extern const std::array<PipeRank, 6> demoRanks;

// Amplitude of harmonic n (1 = fundamental) of a pipe sounding at frequency
// Hz, once settled and during its onset.
double settledHarmonic(PipeFamily family, int n, double frequency);
double onsetHarmonic(PipeFamily family, int n, double frequency);

PipeSpeech speechOf(PipeFamily family, double frequency);
