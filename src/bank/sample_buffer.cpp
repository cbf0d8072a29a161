// Sample buffers from the system's zero pages (see sample_buffer.h).
#include "bank/sample_buffer.h"

#include <limits>

#include "platform/pages.h"

void SampleBufferRelease::operator()(std::int16_t* buffer) const { platform::releaseZeroPages(buffer, bytes); }

SampleBuffer newSampleBuffer(std::size_t fileBytes)
{
    if (fileBytes == 0 || fileBytes > std::numeric_limits<std::size_t>::max() / 2) return nullptr;
    const std::size_t bytes = 2 * fileBytes;
    return {static_cast<std::int16_t*>(platform::allocateZeroPages(bytes)), SampleBufferRelease{bytes}};
}
