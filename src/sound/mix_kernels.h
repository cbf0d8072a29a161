// The mixer's inner loops: add or subtract a sample in the 32-bit
// accumulator and write each sum divided by the voice scaling, truncated
// toward zero and clamped to 16 bits, into the output.
#pragma once

#include <cstdint>

// Exact while every sum holds at most maxKernelSamples samples and the
// divisor is 1 to maxKernelDivisor.
constexpr int maxKernelSamples = 64;
constexpr int maxKernelDivisor = 64;

void addAndScale(std::int32_t* accumulator, std::int16_t* output, const std::int16_t* sample, int count,
                 int divisor);
void subtractAndScale(std::int32_t* accumulator, std::int16_t* output, const std::int16_t* sample, int count,
                      int divisor);
