// The mixer's inner loops: add or subtract one sample into the accumulator
// and store the accumulator divided by a voice count, truncating toward zero
// and clamped to 16 bits.
#pragma once

#include <cstdint>

constexpr int maxKernelDivisor = 61;

void addAndScale(std::int32_t* accumulator, const std::int16_t* sample, std::int16_t* output, int length, int divisor);
void subtractAndScale(std::int32_t* accumulator, const std::int16_t* sample, std::int16_t* output, int length,
                      int divisor);
void scaleOnly(const std::int32_t* accumulator, std::int16_t* output, int length, int divisor);
