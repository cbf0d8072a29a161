// Screen photographs through import and convert (to binary PPM), BMP files
// read directly.
#include "screen_image.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "wine_programs.h"

namespace wine {

namespace {

// A binary PPM ("P6", maxval 255) as convert writes it.
Picture parsePpm(const std::string& bytes)
{
    std::istringstream stream(bytes);
    std::string magic;
    int width = 0, height = 0, maxValue = 0;
    stream >> magic >> width >> height >> maxValue;
    stream.get();
    Picture picture;
    if (magic != "P6" || maxValue != 255 || width <= 0 || height <= 0) return picture;
    const std::size_t start = static_cast<std::size_t>(stream.tellg());
    if (bytes.size() < start + static_cast<std::size_t>(width * height * 3)) return picture;
    picture.width = width;
    picture.height = height;
    for (std::size_t i = start; i < start + static_cast<std::size_t>(width * height * 3); i += 3)
        picture.pixels.push_back({static_cast<std::uint8_t>(bytes[i]), static_cast<std::uint8_t>(bytes[i + 1]),
                                  static_cast<std::uint8_t>(bytes[i + 2])});
    return picture;
}

std::uint32_t little(const std::string& bytes, std::size_t offset, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(bytes[offset + static_cast<std::size_t>(i)]);
    return value;
}

}  // namespace

Picture photographScreen(const std::filesystem::path& png)
{
    if (run({"import", "-window", "root", "-depth", "8", png.string()}, ".", 30s).status != 0) return {};
    return parsePpm(run({"convert", png.string(), "-depth", "8", "ppm:-"}, ".", 30s).output);
}

Picture readBmp(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    Picture picture;
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return picture;
    const std::uint32_t offset = little(bytes, 10, 4);
    const int width = static_cast<int>(little(bytes, 18, 4));
    const int height = static_cast<int>(little(bytes, 22, 4));
    const int bytesPerPixel = static_cast<int>(little(bytes, 28, 2)) / 8;
    if (width <= 0 || height <= 0 || (bytesPerPixel != 3 && bytesPerPixel != 4) || little(bytes, 30, 4) != 0) return picture;
    const std::size_t stride = static_cast<std::size_t>((width * bytesPerPixel + 3) / 4 * 4);
    if (bytes.size() < offset + stride * static_cast<std::size_t>(height)) return picture;
    picture.width = width;
    picture.height = height;
    for (int y = 0; y < height; ++y) {
        const std::size_t row = offset + stride * static_cast<std::size_t>(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const std::size_t p = row + static_cast<std::size_t>(x * bytesPerPixel);
            picture.pixels.push_back({static_cast<std::uint8_t>(bytes[p + 2]), static_cast<std::uint8_t>(bytes[p + 1]),
                                      static_cast<std::uint8_t>(bytes[p])});
        }
    }
    return picture;
}

}  // namespace wine
