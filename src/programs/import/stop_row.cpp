// The stops the window's row of buttons reaches (see stop_row.h).
#include "programs/import/stop_row.h"

#include <array>
#include <cstdint>
#include <fstream>

#include "platform/windows1252.h"
#include "stops/bmp_header.h"
#include "stops/button_image.h"
#include "stops/stop_panel.h"

namespace organ_import {

namespace {

namespace fs = std::filesystem;

// The logical width the organ draws the picture at; 0 when the organ cannot
// draw it.
int buttonWidth(const fs::path& picture)
{
    std::array<std::uint8_t, bmpPixelOffset> headers{};
    std::error_code failure;
    const std::uintmax_t size = fs::file_size(picture, failure);
    std::ifstream file(picture, std::ios::binary);
    if (failure || !file.read(reinterpret_cast<char*>(headers.data()), headers.size())) return 0;
    const std::uint8_t* info = headers.data() + bmpFileHeaderSize;
    if (headers[0] != 'B' || headers[1] != 'M' || !isSupportedBmp(headers.data(), info, size - bmpPixelOffset))
        return 0;
    return logicalWidthOf(bmpLayout(info).width);
}

}  // namespace

std::string stopRowLine(const fs::path& picture, const std::vector<std::string>& stops)
{
    const int width = buttonWidth(picture);
    const auto reached = static_cast<std::size_t>(reachableStops(width));
    if (stops.size() <= reached) return {};
    if (width == 0)
        return "Stop row: " + picture.string() + " is not a picture the organ draws, so no stop button can be clicked";
    std::string line = "Stop row: the window reaches " + std::to_string(reached) + " of the " +
                       std::to_string(stops.size()) + " stops; out of reach past its right edge:";
    for (std::size_t i = reached; i < stops.size(); ++i)
        line += (i > reached ? ", " : " ") + platform::windows1252ToUtf8(stops[i]);
    return line + " (--stop or --registration chooses the stops to reach)";
}

}  // namespace organ_import
