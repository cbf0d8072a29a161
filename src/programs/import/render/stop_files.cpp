// Writing a rendered stop's sample files (see stop_files.h).
#include "programs/import/render/stop_files.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "bank/organ_bank.h"
#include "platform/durable_files.h"
#include "programs/import/progress_bar.h"
#include "programs/import/render/chord_level.h"
#include "programs/import/render/render_store.h"
#include "programs/import/render/worker_pool.h"
#include "programs/import/sources/organ_format.h"
#include "programs/import/utf8_path.h"

namespace organ_import {

namespace {

double levelAt(const KeyPlanes& planes, std::size_t i, double gain)
{
    return gain * planes.scaled[i] + (planes.fixed.empty() ? 0.0 : planes.fixed[i]);
}

// The factor that keeps the stop's chords within 16 bits: 1 unless its
// sound at the organ's level makes it louder than that.
bool ownFactor(const std::filesystem::path& storeFile, double gain, double& factor, std::string& error)
{
    KeyPlanes planes;
    double peak = 0.0;
    for (int key = 0; key < keyCount; ++key) {
        if (!loadKey(storeFile, key, true, planes, error)) return false;
        for (std::size_t i = 0; i < planes.scaled.size(); ++i)
            peak = std::max(peak, std::abs(levelAt(planes, i, gain)));
    }
    factor = chordFits(static_cast<float>(peak), 1.0) ? 1.0 : chordSafeGain(static_cast<float>(peak));
    return true;
}

std::vector<std::int16_t> organSamples(const KeyPlanes& planes, double gain, double factor, std::size_t& clipped)
{
    std::vector<std::int16_t> samples(planes.scaled.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double value = std::round(factor * levelAt(planes, i, gain) * organFullScale);
        const double held = std::clamp(value, -organFullScale - 1, organFullScale);
        clipped += held != value;
        samples[i] = static_cast<std::int16_t>(held);
    }
    return samples;
}

}  // namespace

bool writeStopFiles(const std::filesystem::path& storeFile, const RenderedStop& stop, double gain,
                    const std::filesystem::path& folder, double& factor, std::size_t& clipped, std::string& error)
{
    factor = 1.0;
    if (stop.hasFixed && !ownFactor(storeFile, gain, factor, error)) return false;
    std::error_code failure;
    std::filesystem::create_directory(folder, failure);
    if (failure) {
        error = utf8Of(folder) + ": cannot be made (" + failure.message() + ")";
        return false;
    }
    // The keys' files are written and flushed side by side: flushing is
    // most of the work, and the disk takes several at once.
    std::vector<std::string> errors(keyCount);
    std::vector<std::size_t> clips(keyCount, 0);
    forEachOnWorkers(keyCount, importWorkers(), [&](int key, int) {
        KeyPlanes planes;
        const std::filesystem::path file = folder / sampleFileName(key);
        if (!loadKey(storeFile, key, stop.hasFixed, planes, errors[key])) return;
        if (!writeWaveFile(file, organSamples(planes, gain, factor, clips[key]))) {
            errors[key] = utf8Of(file) + ": cannot be written";
            return;
        }
        if (platform::flushFile(utf8Of(file), errors[key])) advanceProgress();
    });
    for (int key = 0; key < keyCount; ++key) {
        if (!errors[key].empty()) {
            error = errors[key];
            return false;
        }
        clipped += clips[key];
    }
    std::string reason;
    if (platform::flushFolder(utf8Of(folder), reason)) return true;
    error = reason + " (cannot be flushed to the disk)";
    return false;
}

}  // namespace organ_import
