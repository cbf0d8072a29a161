// The two stop button pictures of the demo organ and of every imported organ
// that has none, drawn procedurally: a drawknob on a walnut jamb, lit ivory
// and gold when drawn, dark ebony and bronze when off.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

constexpr int knobWidth = 100;
constexpr int knobHeight = 64;

// A complete BMP file: 24 bits per pixel, 40-byte header, no colour table,
// image size set, rows bottom-up.
std::vector<std::uint8_t> stopKnobBitmap(bool drawn);

// Writes the picture as a BMP file at path; false when it cannot be written
// whole.
bool writeStopKnobFile(const std::filesystem::path& path, bool drawn);
