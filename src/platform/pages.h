// Memory straight from the system in whole pages: a block that reads as zeros
// and costs neither time nor memory until a page of it is touched.
#pragma once

#include <cstddef>

namespace platform {

// A block of that many zero bytes, or null when the system refuses it.
void* allocateZeroPages(std::size_t bytes);

// Gives back a block of allocateZeroPages with the size it was asked for.
void releaseZeroPages(void* block, std::size_t bytes);

}  // namespace platform
