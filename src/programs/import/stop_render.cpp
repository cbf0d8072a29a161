// Making a stop's keys (see stop_render.h).
#include "programs/import/stop_render.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "bank/organ_bank.h"
#include "programs/import/progress_bar.h"
#include "programs/import/speech_onset.h"

namespace organ_import {

namespace {

bool servesAKey(const StopSources& sources, int recording)
{
    return std::find(std::begin(sources.sourceOfKey), std::end(sources.sourceOfKey), recording) !=
           std::end(sources.sourceOfKey);
}

float peakOf(const std::vector<float>& frames)
{
    float peak = 0.0f;
    for (float value : frames) peak = std::max(peak, std::abs(value));
    return peak;
}

// Makes the keys of one recording into the stop; false with error set.
bool renderFrom(const StopSources& sources, int index, RenderedStop& stop, std::string& error)
{
    const SourceFile& file = sources.recordings[static_cast<std::size_t>(index)];
    const std::optional<Recording> recording = readRecording(file.path, error);
    const std::optional<std::size_t> onset = recording ? speechOnset(*recording) : std::nullopt;
    if (recording && !onset) error = "it holds only silence";
    if (!onset) return false;
    advanceProgress();
    int padded = 0;
    for (int key = 0; key < keyCount; ++key) {
        if (sources.sourceOfKey[key] != index) continue;
        const int shift = key + firstMidiNote - file.midiNote;
        std::optional<RenderedKey> rendered = renderKey(*recording, *onset, shift, error);
        if (!rendered) return false;
        padded += rendered->padded;
        stop.peak = std::max(stop.peak, peakOf(rendered->frames));
        if (std::abs(shift) > std::abs(stop.farthestShift)) stop.farthestShift = shift, stop.farthestKey = key;
        stop.keys[static_cast<std::size_t>(key)] = std::move(*rendered);
        advanceProgress();
    }
    if (padded > 0)
        warn(file.path.string() + ": the recording ends before the 0.57 s the organ plays; " + std::to_string(padded) +
             " key(s) fade early and end in silence");
    return true;
}

}  // namespace

int recordingsServingKeys(const StopSources& sources)
{
    int count = 0;
    for (int i = 0; i < static_cast<int>(sources.recordings.size()); ++i) count += servesAKey(sources, i);
    return count;
}

std::optional<RenderedStop> renderStop(const StopSources& sources, std::string& error)
{
    RenderedStop stop;
    stop.keys.resize(keyCount);
    for (int i = 0; i < static_cast<int>(sources.recordings.size()); ++i) {
        if (!servesAKey(sources, i)) continue;
        if (!renderFrom(sources, i, stop, error)) {
            error.insert(0, sources.recordings[static_cast<std::size_t>(i)].path.string() + ": ");
            return std::nullopt;
        }
    }
    return stop;
}

}  // namespace organ_import
