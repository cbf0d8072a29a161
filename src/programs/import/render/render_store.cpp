// Rendered keys on disk (see render_store.h).
#include "programs/import/render/render_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "programs/import/sources/organ_format.h"

namespace organ_import {

namespace {

constexpr std::size_t planeBytes = 2 * keyFrames * sizeof(float);

off_t offsetOf(int key, bool withFixed, int plane)
{
    return static_cast<off_t>(key * (withFixed ? 2 : 1) + plane) * static_cast<off_t>(planeBytes);
}

// pwrite or pread of a whole plane, resumed where the call stopped short.
template <typename Bytes, typename Move>
bool movePlane(int descriptor, Bytes* bytes, off_t offset, Move move)
{
    std::size_t done = 0;
    while (done < planeBytes) {
        const ssize_t moved = move(descriptor, bytes + done, planeBytes - done, offset + static_cast<off_t>(done));
        if (moved < 0 && errno == EINTR) continue;
        if (moved <= 0) return false;
        done += static_cast<std::size_t>(moved);
    }
    return true;
}

std::string failureOf(const std::filesystem::path& file, const char* doing)
{
    return file.string() + ": the rendered keys cannot be " + doing + " (" +
           (errno != 0 ? std::strerror(errno) : "the file is cut short") + ")";
}

}  // namespace

bool storeKey(const std::filesystem::path& file, int key, const KeyPlanes& planes, std::string& error)
{
    errno = 0;
    const bool withFixed = !planes.fixed.empty();
    const int descriptor = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    bool stored = descriptor >= 0;
    for (int plane = 0; stored && plane < (withFixed ? 2 : 1); ++plane) {
        const auto* bytes = reinterpret_cast<const char*>((plane == 0 ? planes.scaled : planes.fixed).data());
        stored = movePlane(descriptor, bytes, offsetOf(key, withFixed, plane), ::pwrite);
    }
    if (!stored) error = failureOf(file, "written");
    if (descriptor >= 0) ::close(descriptor);
    return stored;
}

bool loadKey(const std::filesystem::path& file, int key, bool withFixed, KeyPlanes& planes, std::string& error)
{
    errno = 0;
    planes.scaled.resize(2 * keyFrames);
    planes.fixed.resize(withFixed ? 2 * keyFrames : 0);
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    bool loaded = descriptor >= 0;
    for (int plane = 0; loaded && plane < (withFixed ? 2 : 1); ++plane) {
        auto* bytes = reinterpret_cast<char*>((plane == 0 ? planes.scaled : planes.fixed).data());
        loaded = movePlane(descriptor, bytes, offsetOf(key, withFixed, plane), ::pread);
    }
    if (!loaded) error = failureOf(file, "read");
    if (descriptor >= 0) ::close(descriptor);
    return loaded;
}

}  // namespace organ_import
