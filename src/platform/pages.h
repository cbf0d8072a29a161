// Memory straight from the system in whole pages: a block that reads as zeros
// and costs neither time nor memory until a page of it is touched.
#pragma once

#include <cstddef>

namespace platform {

// bytes of zeros, or null when the system refuses them.
void* allocateZeroPages(std::size_t bytes);

// Gives back a block of allocateZeroPages with the size it was asked for.
void releaseZeroPages(void* block, std::size_t bytes);

}  // namespace platform
