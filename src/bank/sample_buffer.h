// Sample buffers: for a file of N bytes, 2 x N bytes of zero pages with the
// file image read into the first N. The second half, which the bank never
// writes, costs neither time nor memory until something reads it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// Gives a sample buffer back to the system.
struct SampleBufferRelease {
    std::size_t bytes = 0;
    void operator()(std::int16_t* buffer) const;
};

using SampleBuffer = std::unique_ptr<std::int16_t[], SampleBufferRelease>;

// A buffer of 2 x fileBytes zero bytes (fileBytes 16-bit entries), or null
// when fileBytes is 0 or memory is short.
SampleBuffer newSampleBuffer(std::size_t fileBytes);
