// The rectangle record of the logical screen, in the order left, right, top,
// bottom, shared by stop records, button images and the stop hit test.
#pragma once

#include <cstdint>

struct LogicalRect {
    std::int32_t left;
    std::int32_t right;
    std::int32_t top;
    std::int32_t bottom;
};
