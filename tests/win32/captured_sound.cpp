// Reading captured and WAV sound; the pitch by autocorrelation and the level
// of one frequency by the Goertzel recurrence, both on the mid channel.
#include "captured_sound.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>

namespace wine {

namespace {

constexpr double pi = 3.14159265358979323846;

Samples fromLittleEndian(const std::string& bytes, std::size_t offset, std::size_t length)
{
    Samples samples;
    for (std::size_t i = offset; i + 1 < offset + length && i + 1 < bytes.size(); i += 2)
        samples.push_back(static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                                    static_cast<std::uint8_t>(bytes[i + 1]) << 8));
    return samples;
}

std::string readBytes(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

std::uint32_t little32(const std::string& bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<std::uint8_t>(bytes[offset + static_cast<std::size_t>(i)]);
    return value;
}

std::vector<double> midChannel(const Samples& samples, std::size_t firstFrame, std::size_t frames)
{
    std::vector<double> mid;
    for (std::size_t f = firstFrame; f < firstFrame + frames && 2 * f + 1 < samples.size(); ++f)
        mid.push_back((samples[2 * f] + samples[2 * f + 1]) / 2.0);
    double mean = 0;
    for (double value : mid) mean += value;
    if (!mid.empty()) mean /= static_cast<double>(mid.size());
    for (double& value : mid) value -= mean;
    return mid;
}

double correlation(const std::vector<double>& x, std::size_t lag)
{
    double product = 0, energyA = 0, energyB = 0;
    for (std::size_t i = 0; i + lag < x.size(); ++i) {
        product += x[i] * x[i + lag];
        energyA += x[i] * x[i];
        energyB += x[i + lag] * x[i + lag];
    }
    return energyA > 0 && energyB > 0 ? product / std::sqrt(energyA * energyB) : 0.0;
}

}  // namespace

Samples readCapture(const std::filesystem::path& path)
{
    const std::string bytes = readBytes(path);
    return fromLittleEndian(bytes, 0, bytes.size());
}

Samples readWaveData(const std::filesystem::path& path)
{
    const std::string bytes = readBytes(path);
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return {};
    for (std::size_t chunk = 12; chunk + 8 <= bytes.size();) {
        const std::uint32_t length = little32(bytes, chunk + 4);
        if (bytes.compare(chunk, 4, "data") == 0) return fromLittleEndian(bytes, chunk + 8, length);
        chunk += 8 + length + (length & 1);
    }
    return {};
}

Span soundingSpan(const Samples& samples)
{
    Span span;
    const std::size_t frames = frameCount(samples);
    auto sounding = [&](std::size_t f) { return samples[2 * f] != 0 || samples[2 * f + 1] != 0; };
    while (span.first < frames && !sounding(span.first)) ++span.first;
    span.end = frames;
    while (span.end > span.first && !sounding(span.end - 1)) --span.end;
    return span;
}

double fundamental(const Samples& samples, std::size_t firstFrame, std::size_t frames)
{
    const std::vector<double> x = midChannel(samples, firstFrame, frames);
    const std::size_t shortest = static_cast<std::size_t>(sampleRate / 2000.0);
    const std::size_t longest = std::min(static_cast<std::size_t>(sampleRate / 30.0), x.size() / 2);
    if (longest <= shortest + 2) return 0.0;
    std::vector<double> r(longest + 2, 0.0);
    double strongest = 0;
    for (std::size_t lag = shortest; lag <= longest + 1; ++lag) {
        r[lag] = correlation(x, lag);
        strongest = std::max(strongest, r[lag]);
    }
    for (std::size_t lag = shortest + 1; lag <= longest; ++lag) {
        if (r[lag] < 0.9 * strongest || r[lag] < r[lag - 1] || r[lag] < r[lag + 1]) continue;
        const double bend = r[lag - 1] - 2 * r[lag] + r[lag + 1];
        const double shift = bend != 0 ? 0.5 * (r[lag - 1] - r[lag + 1]) / bend : 0.0;
        return sampleRate / (static_cast<double>(lag) + shift);
    }
    return 0.0;
}

double toneLevel(const Samples& samples, std::size_t firstFrame, std::size_t frames, double frequency)
{
    const std::vector<double> x = midChannel(samples, firstFrame, frames);
    const double coefficient = 2.0 * std::cos(2.0 * pi * frequency / sampleRate);
    double previous = 0, beforePrevious = 0;
    const double last = static_cast<double>(x.size() > 1 ? x.size() - 1 : 1);
    for (std::size_t n = 0; n < x.size(); ++n) {
        const double window = 0.5 - 0.5 * std::cos(2.0 * pi * static_cast<double>(n) / last);
        const double current = x[n] * window + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    const double power =
        previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
    return std::sqrt(std::max(power, 0.0)) / static_cast<double>(x.size() ? x.size() : 1);
}

}  // namespace wine
