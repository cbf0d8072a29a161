// Zero pages on Windows: committed virtual memory, filled on first touch.
#include <windows.h>

#include "platform/pages.h"

namespace platform {

void* allocateZeroPages(std::size_t bytes)
{
    return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void releaseZeroPages(void* block, std::size_t) { VirtualFree(block, 0, MEM_RELEASE); }

}  // namespace platform
