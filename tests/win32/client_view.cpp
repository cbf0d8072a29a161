// window_probe.exe prints "ZOOMED X Y WIDTH HEIGHT" or exits with 1.
#include "client_view.h"

#include <sstream>

#include "wine_programs.h"

namespace wine {

std::optional<ClientArea> WindowProbe::find(const std::string& className, const std::string& title) const
{
    const Finished probe = run({"wine", program.string(), className, title}, ".", 30s);
    if (probe.status != 0) return std::nullopt;
    std::istringstream fields(probe.output);
    int maximised = 0;
    ClientArea area = {};
    if (!(fields >> maximised >> area.x >> area.y >> area.width >> area.height)) return std::nullopt;
    area.maximised = maximised == 1;
    return area;
}

std::optional<ClientArea> WindowProbe::waitFor(const std::string& className, const std::string& title) const
{
    std::optional<ClientArea> area;
    waitUntil([&] { return (area = find(className, title)).has_value(); }, 60s);
    return area;
}

bool WindowProbe::waitGone(const std::string& className, const std::string& title) const
{
    return waitUntil([&] { return !find(className, title).has_value(); }, 20s);
}

double ClientPicture::match(const Picture& bitmap, int left, int top) const
{
    int same = 0;
    for (int y = 0; y < bitmap.height; ++y)
        for (int x = 0; x < bitmap.width; ++x)
            if (screen.contains(area.x + left + x, area.y + top + y) && at(left + x, top + y) == bitmap.at(x, y)) ++same;
    return bitmap.pixels.empty() ? 0.0 : static_cast<double>(same) / static_cast<double>(bitmap.pixels.size());
}

}  // namespace wine
