// Rendered keys on disk (see render_store.h).
#include "programs/import/render/render_store.h"

#include "platform/durable_files.h"
#include "programs/import/sources/organ_format.h"

namespace organ_import {

namespace {

constexpr std::size_t planeBytes = 2 * keyFrames * sizeof(float);

std::uint64_t offsetOf(int key, bool withFixed, int plane)
{
    return static_cast<std::uint64_t>(key * (withFixed ? 2 : 1) + plane) * planeBytes;
}

std::string failureOf(const std::string& reason, const char* doing)
{
    return "the rendered keys cannot be " + std::string(doing) + " (" + reason + ")";
}

}  // namespace

bool storeKey(const std::filesystem::path& file, int key, const KeyPlanes& planes, std::string& error)
{
    const bool withFixed = !planes.fixed.empty();
    std::string reason;
    platform::OpenFile* store = platform::openPositioned(file.string(), true, reason);
    bool stored = store != nullptr;
    for (int plane = 0; stored && plane < (withFixed ? 2 : 1); ++plane)
        stored = platform::writeAt(store, offsetOf(key, withFixed, plane),
                                   (plane == 0 ? planes.scaled : planes.fixed).data(), planeBytes, reason);
    if (store != nullptr && !platform::closeFile(store, reason)) stored = false;
    if (!stored) error = failureOf(reason, "written");
    return stored;
}

bool loadKey(const std::filesystem::path& file, int key, bool withFixed, KeyPlanes& planes, std::string& error)
{
    planes.scaled.resize(2 * keyFrames);
    planes.fixed.resize(withFixed ? 2 * keyFrames : 0);
    std::string reason;
    platform::OpenFile* store = platform::openPositioned(file.string(), false, reason);
    bool loaded = store != nullptr;
    for (int plane = 0; loaded && plane < (withFixed ? 2 : 1); ++plane)
        loaded = platform::readAt(store, offsetOf(key, withFixed, plane),
                                  (plane == 0 ? planes.scaled : planes.fixed).data(), planeBytes, reason);
    std::string ignored;
    if (store != nullptr) platform::closeFile(store, ignored);
    if (!loaded) error = failureOf(reason, "read");
    return loaded;
}

}  // namespace organ_import
