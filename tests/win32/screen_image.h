// Pictures the Windows tests look at: the X screen photographed with
// ImageMagick's import, and 24-bit BMP files; both as rows of RGB pixels.
#pragma once

#include <cstdint>
#include <filesystem>

#include <vector>

namespace wine {

struct Rgb {
    std::uint8_t red, green, blue;
    bool operator==(const Rgb&) const = default;
};

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // top row first

    Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

// Photographs the whole screen into a PNG file kept as a test artefact and
// returns its pixels; an empty picture when that fails.
Picture photographScreen(const std::filesystem::path& png);

// An uncompressed bottom-up BMP of 24 or 32 bits per pixel; empty otherwise.
Picture readBmp(const std::filesystem::path& path);

constexpr Rgb white = {255, 255, 255};
constexpr Rgb black = {0, 0, 0};
constexpr Rgb green = {0, 255, 0};
constexpr Rgb blue = {0, 0, 255};
constexpr Rgb red = {255, 0, 0};

}  // namespace wine
