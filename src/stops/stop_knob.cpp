// Drawknob pictures (see stop_knob.h), shaded per pixel with 4 x 4
// supersampling for smooth edges.
#include "stops/stop_knob.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include "platform/surface.h"
#include "stops/bmp_header.h"

namespace {

struct Colour {
    double r, g, b;
};

Colour operator*(Colour c, double k) { return {c.r * k, c.g * k, c.b * k}; }
Colour operator+(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Colour mix(Colour a, Colour b, double t) { return a * (1.0 - t) + b * t; }

// The knob sits in the upper part; the program writes the stop's name below.
constexpr double centreX = 50.0, centreY = 25.0;
constexpr double knobRadius = 21.0, faceRadius = 16.5;

constexpr Colour walnut{96, 58, 33};
constexpr Colour ivory{250, 241, 214};
constexpr Colour gold{224, 180, 70};
constexpr Colour ebony{52, 34, 24};
constexpr Colour bronze{112, 84, 52};
constexpr Colour white{255, 255, 255};
constexpr Colour glowTint{255, 200, 90};

double smoothStep(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// Wood grain of the stop jamb, bevelled at the picture's border.
Colour jamb(double x, double y)
{
    const double grain = std::sin(x * 0.09 + 2.6 * std::sin(y * 0.11) + 1.3 * std::sin(x * 0.021 + y * 0.045));
    const double border = std::min({x, y, knobWidth - x, knobHeight - y});
    const double bevel = border < 2.0 ? ((x < 2.0 || y < 2.0) ? 1.25 : 0.6) : 1.0;
    return walnut * ((0.88 + 0.12 * grain) * bevel);
}

// The knob's domed face lit from the upper left: diffuse light and a gloss.
Colour face(double dx, double dy, bool drawn)
{
    const double u = dx / faceRadius, v = dy / faceRadius;
    const double nz = std::sqrt(std::max(0.0, 1.0 - 0.55 * (u * u + v * v)));
    const double nx = 0.74 * u, ny = 0.74 * v;
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    const double diffuse = std::max(0.0, (-0.45 * nx - 0.55 * ny + 0.70 * nz) / length);
    const double gloss = std::pow(std::max(0.0, (-0.25 * nx - 0.32 * ny + 0.91 * nz) / length), 40.0);
    if (drawn) return ivory * (0.62 + 0.45 * diffuse) + white * (0.5 * gloss);
    return ebony * (0.55 + 0.6 * diffuse) + white * (0.18 * gloss);
}

// The metal collar around the face, bright on its upper left.
Colour collar(double dx, double dy, double r, bool drawn)
{
    const double across = (r - faceRadius) / (knobRadius - faceRadius);
    const double facing = -(dx + dy) / (r * std::sqrt(2.0));
    const double light = 0.72 + 0.38 * facing * (1.0 - 2.0 * across) + 0.12 * std::sin(across * 3.14159);
    return (drawn ? gold : bronze) * light;
}

Colour pixelAt(double x, double y, bool drawn)
{
    const double dx = x - centreX, dy = y - centreY;
    const double r = std::hypot(dx, dy);
    if (r < faceRadius) return face(dx, dy, drawn);
    if (r < knobRadius) return collar(dx, dy, r, drawn);
    const double shadowDistance = std::hypot(dx - 2.5, dy - 3.5);
    Colour panel = jamb(x, y) * (0.5 + 0.5 * smoothStep(knobRadius - 1.0, knobRadius + 4.0, shadowDistance));
    if (drawn) panel = mix(panel, glowTint, 0.45 * (1.0 - smoothStep(knobRadius, knobRadius + 10.0, r)));
    return panel;
}

std::uint8_t channel(double value) { return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L)); }

// The pixel's colour averaged over 4 x 4 points.
Colour supersampled(int px, int py, bool drawn)
{
    Colour sum{0, 0, 0};
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) sum = sum + pixelAt(px + (i + 0.5) / 4.0, py + (j + 0.5) / 4.0, drawn);
    return sum * (1.0 / 16.0);
}

}  // namespace

std::vector<std::uint8_t> stopKnobBitmap(bool drawn)
{
    constexpr auto rowBytes = static_cast<std::uint32_t>(platform::DeviceBitmap::rowBytes(knobWidth, 24));
    constexpr std::uint32_t imageBytes = rowBytes * knobHeight;
    constexpr std::uint32_t pixelsPerMetre = 2835;  // 72 dots per inch
    std::vector<std::uint8_t> out{'B', 'M'};
    const auto u16 = [&out](std::uint32_t value) {
        out.push_back(static_cast<std::uint8_t>(value & 0xFF));
        out.push_back(static_cast<std::uint8_t>(value >> 8 & 0xFF));
    };
    const auto u32 = [&u16](std::uint32_t value) { u16(value & 0xFFFF), u16(value >> 16); };
    u32(bmpPixelOffset + imageBytes), u32(0), u32(bmpPixelOffset);
    u32(40), u32(knobWidth), u32(knobHeight), u16(1), u16(24), u32(0), u32(imageBytes);
    u32(pixelsPerMetre), u32(pixelsPerMetre), u32(0), u32(0);
    for (int row = knobHeight - 1; row >= 0; --row) {
        for (int x = 0; x < knobWidth; ++x) {
            const Colour c = supersampled(x, row, drawn);
            out.insert(out.end(), {channel(c.b), channel(c.g), channel(c.r)});
        }
        out.resize(out.size() + rowBytes - std::size_t{knobWidth} * 3, 0);
    }
    return out;
}

bool writeStopKnobFile(const std::filesystem::path& path, bool drawn)
{
    const std::vector<std::uint8_t> bytes = stopKnobBitmap(drawn);
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return static_cast<bool>(file);
}
