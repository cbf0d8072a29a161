// Bytes in memory read like a file: what libsndfile's virtual I/O and
// WavPack's stream reader need to decode an archive member.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace organ_import {

struct MemoryStream {
    const std::vector<char>* bytes;
    std::int64_t position = 0;

    std::int64_t size() const { return static_cast<std::int64_t>(bytes->size()); }

    // Copies up to count bytes from the position on; the count copied.
    std::int64_t read(void* destination, std::int64_t count)
    {
        const std::int64_t got = std::clamp<std::int64_t>(size() - position, 0, std::max<std::int64_t>(count, 0));
        if (got > 0) std::memcpy(destination, bytes->data() + position, static_cast<std::size_t>(got));
        position += got;
        return got;
    }

    // Moves as fseek does (SEEK_SET, SEEK_CUR, SEEK_END); false, unmoved,
    // for a place outside the bytes.
    bool seek(std::int64_t offset, int whence)
    {
        const std::int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? position : size();
        if (base + offset < 0 || base + offset > size()) return false;
        position = base + offset;
        return true;
    }
};

}  // namespace organ_import
