// The sample files the importer writes, as the organ plays them: 44,100 Hz
// 16-bit stereo after the canonical header, heard from byte 160 to byte
// 100,000.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bank/wave_file.h"
#include "sound/voice_mixer.h"

namespace organ_import {

constexpr int organRate = 44100;
constexpr std::size_t frameBytes = 4;
// Frames of a sample file: the organ plays bytes 160 up to 100,000, so after
// the 44-byte header that is data frames 29 to 24,988.
constexpr std::size_t heardFirstFrame = (playWindowStart * sizeof(std::int16_t) - waveHeaderBytes) / frameBytes;
constexpr std::size_t keyFrames = (playWindowEnd * sizeof(std::int16_t) - waveHeaderBytes) / frameBytes;
static_assert(heardFirstFrame == 29 && keyFrames == 24989);

// The 16-bit value of full scale 1.0.
constexpr double organFullScale = 32767.0;

}  // namespace organ_import
