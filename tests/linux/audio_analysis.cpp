// Pitch and span of recorded sound (see audio_analysis.h).
#include "audio_analysis.h"

#include <cmath>
#include <numbers>

namespace linux_test {

namespace {

double magnitudeAt(const std::vector<float>& signal, double rate, double frequency)
{
    const double n = static_cast<double>(signal.size());
    const double step = 2.0 * std::numbers::pi * frequency / rate;
    double re = 0.0;
    double im = 0.0;
    for (std::size_t i = 0; i < signal.size(); ++i) {
        const double window = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / (n - 1));
        const double phase = step * static_cast<double>(i);
        re += signal[i] * window * std::cos(phase);
        im -= signal[i] * window * std::sin(phase);
    }
    return std::hypot(re, im);
}

}  // namespace

double peakFrequency(const std::vector<float>& signal, double rate, double guess)
{
    double best = guess;
    double bestMagnitude = -1.0;
    for (double f = guess * 0.97; f <= guess * 1.03; f += 0.1) {
        const double magnitude = magnitudeAt(signal, rate, f);
        if (magnitude > bestMagnitude) {
            bestMagnitude = magnitude;
            best = f;
        }
    }
    // Golden-section search on the peak around the best coarse step.
    const double ratio = (std::sqrt(5.0) - 1.0) / 2.0;
    double low = best - 0.1;
    double high = best + 0.1;
    while (high - low > best * 1e-7) {
        const double a = high - ratio * (high - low);
        const double b = low + ratio * (high - low);
        if (magnitudeAt(signal, rate, a) > magnitudeAt(signal, rate, b)) high = b;
        else low = a;
    }
    return (low + high) / 2.0;
}

double centsBetween(double frequency, double reference) { return 1200.0 * std::log2(frequency / reference); }

Span soundingSpan(const std::vector<float>& signal, float threshold)
{
    Span span{signal.size(), signal.size()};
    for (std::size_t i = 0; i < signal.size(); ++i) {
        if (std::fabs(signal[i]) <= threshold) continue;
        if (span.first == signal.size()) span.first = i;
        span.end = i + 1;
    }
    return span;
}

std::vector<float> channelOf(const std::vector<std::int16_t>& frames, int channel)
{
    std::vector<float> samples(frames.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<float>(frames[2 * i + channel]) / 32768.0f;
    return samples;
}

}  // namespace linux_test
