// The stops the window's row of buttons reaches (see stop_row.h).
#include "programs/import/commit/stop_row.h"

#include "platform/windows1252.h"
#include "programs/import/utf8_path.h"
#include "stops/button_image.h"
#include "stops/stop_panel.h"

namespace organ_import {

std::string stopRowLine(const std::filesystem::path& picture, const std::vector<std::string>& stops)
{
    std::FILE* file = openToRead(picture);
    const int width = file != nullptr ? drawnWidthOfBmp(file) : 0;
    if (file != nullptr) std::fclose(file);
    const auto reached = static_cast<std::size_t>(reachableStops(width));
    if (stops.size() <= reached) return {};
    if (width == 0)
        return "Stop row: " + utf8Of(picture) + " is not a picture the organ draws, so no stop button can be clicked";
    std::string line = "Stop row: the window reaches " + std::to_string(reached) + " of the " +
                       std::to_string(stops.size()) + " stops; out of reach past its right edge:";
    for (std::size_t i = reached; i < stops.size(); ++i)
        line += (i > reached ? ", " : " ") + platform::windows1252ToUtf8(stops[i]);
    return line + " (--stop or --registration chooses the stops to reach)";
}

}  // namespace organ_import
