// Measuring recorded sound for the tests: the frequency of its strongest
// partial near a guess, and where it starts and ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace linux_test {

// The frequency in Hz, within 3 % of guess, where the Hann-windowed
// spectrum of the signal peaks, to a hundredth of a cent.
double peakFrequency(const std::vector<float>& signal, double rate, double guess);

double centsBetween(double frequency, double reference);

// The first and one past the last index whose magnitude exceeds threshold;
// first == end when there is none.
struct Span {
    std::size_t first;
    std::size_t end;
};
Span soundingSpan(const std::vector<float>& signal, float threshold);

// One channel of interleaved 16-bit frames as floats of -1 to 1.
std::vector<float> channelOf(const std::vector<std::int16_t>& frames, int channel);

}  // namespace linux_test
