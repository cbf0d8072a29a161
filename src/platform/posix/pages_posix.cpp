// Zero pages on POSIX: an anonymous private mapping, filled on first touch.
#include <sys/mman.h>

#include "platform/pages.h"

namespace platform {

void* allocateZeroPages(std::size_t bytes)
{
    void* block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return block == MAP_FAILED ? nullptr : block;
}

void releaseZeroPages(void* block, std::size_t bytes) { ::munmap(block, bytes); }

}  // namespace platform
