// Where a Windows program's windows are, asked of window_probe.exe under
// Wine, and the screen as seen from a window's client area.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "screen_image.h"

namespace wine {

struct ClientArea {
    bool maximised = false;
    int x = 0, y = 0, width = 0, height = 0;  // on the screen
};

// Top-level windows found by class name and title ("-" for any).
class WindowProbe {
public:
    explicit WindowProbe(std::filesystem::path probeProgram) : program(std::move(probeProgram)) {}

    std::optional<ClientArea> find(const std::string& className, const std::string& title) const;
    // Waits up to a minute for the window to appear.
    std::optional<ClientArea> waitFor(const std::string& className, const std::string& title) const;
    // Waits up to 20 s for the window to go; false when it stays.
    bool waitGone(const std::string& className, const std::string& title) const;

private:
    std::filesystem::path program;
};

// A photograph of the screen read in client coordinates.
struct ClientPicture {
    Picture screen;
    ClientArea area;

    bool empty() const { return screen.pixels.empty(); }
    Rgb at(int x, int y) const { return screen.at(area.x + x, area.y + y); }

    // Pixels of the rectangle, right and bottom excluded, that satisfy the predicate.
    template <typename Predicate>
    int count(int left, int top, int right, int bottom, Predicate predicate) const
    {
        int found = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (screen.contains(area.x + x, area.y + y) && predicate(at(x, y))) ++found;
        return found;
    }

    // The share of the bitmap's pixels shown unchanged with its top-left at (left, top).
    double match(const Picture& bitmap, int left, int top) const;
};

}  // namespace wine
