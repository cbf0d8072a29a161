// The one renderer (see plan_render.h).
#include "programs/import/render/plan_render.h"

#include <algorithm>
#include <cmath>

#include "programs/import/progress_bar.h"
#include "programs/import/recordings/recording.h"
#include "programs/import/recordings/speech_onset.h"
#include "programs/import/render/part_render.h"
#include "programs/import/render/render_store.h"
#include "programs/import/render/worker_pool.h"
#include "programs/import/sources/organ_archive.h"
#include "programs/import/utf8_path.h"

namespace organ_import {

namespace {

struct KeyUse {
    int stop = -1;
    int key = -1;
};

struct RecordingUse {
    KeyUse last;                 // the last key that needs it
    std::vector<double> shifts;  // the cents its parts play it at, each once
};

struct Decoded {
    std::optional<Recording> recording;  // only the frames some part reads
    std::size_t onset = 0;               // where the pipe speaks in them; 0 for an organ sample, played as it is
    int padded = 0;                      // keys it ended too early for
};

struct RenderState {
    const ImportPlan& plan;
    std::filesystem::path store;
    std::vector<RecordingUse> uses;  // by recording
    std::vector<Decoded> decoded;    // by recording: empty until its first key and after its last
    std::vector<RenderedStop> stops;
    int workers = 1;
    std::vector<ArchiveReader> packages;  // by worker: each reads the packages through its own
};

std::string whereIs(const RecordingLocation& location)
{
    std::string where = utf8Of(location.file);
    if (!location.member.empty()) where += ":" + location.member;
    return location.citation.empty() ? where : location.citation + " (" + where + ")";
}

std::vector<RecordingUse> recordingUses(const ImportPlan& plan)
{
    std::vector<RecordingUse> uses(plan.recordings.size());
    for (int stop = 0; stop < static_cast<int>(plan.stops.size()); ++stop)
        for (int key = 0; key < keyCount; ++key)
            for (const KeyPart& part : plan.stops[stop].keys[key]) {
                RecordingUse& use = uses[part.recording];
                use.last = {stop, key};
                if (std::find(use.shifts.begin(), use.shifts.end(), part.cents) == use.shifts.end())
                    use.shifts.push_back(part.cents);
            }
    return uses;
}

// Drops the frames of the recording no part reads at any of its shifts: a
// key plays a fraction of a second from just before the speech, while a
// recording often holds several seconds.
void keepReadFrames(Decoded& decoded, const std::vector<double>& shifts)
{
    Recording& recording = *decoded.recording;
    const auto frameCount = static_cast<long long>(recording.frameCount());
    long long first = frameCount, end = 0;
    for (const double cents : shifts) {
        if (const std::optional<SourceStretch> read = partStretch(recording.sampleRate, decoded.onset, cents)) {
            first = std::min(first, read->first);
            end = std::max(end, read->end);
        }
    }
    if (first >= end) return;  // no part can be made of it: rendering says why
    const auto from = static_cast<std::size_t>(std::max<long long>(first, 0));
    const auto to = static_cast<std::size_t>(std::min(end, frameCount));
    recording.frames = std::vector<float>(recording.frames.begin() + static_cast<std::ptrdiff_t>(2 * from),
                                          recording.frames.begin() + static_cast<std::ptrdiff_t>(2 * to));
    decoded.onset -= from;
}

// Which stops hold sound at the organ's level: their own organ samples or a
// member's.
std::vector<RenderedStop> fixedness(const ImportPlan& plan)
{
    std::vector<RenderedStop> stops(plan.stops.size());
    for (std::size_t s = 0; s < stops.size(); ++s) {
        const StopPlan& stop = plan.stops[s];
        for (const auto& parts : stop.keys)
            for (const KeyPart& part : parts) stops[s].hasFixed |= plan.recordings[part.recording].organSample;
        for (int member : stop.memberStops) stops[s].hasFixed |= stops[member].hasFixed;
    }
    return stops;
}

// Decodes the recording and finds its speech; false with error set when it
// cannot be read or holds only silence.
bool decodeRecording(RenderState& state, int index, int worker, std::string& error)
{
    Decoded& decoded = state.decoded[index];
    const RecordingLocation& location = state.plan.recordings[index];
    decoded.recording = readRecording(location, state.packages[worker], error);
    if (decoded.recording && !location.organSample) {
        const std::optional<std::size_t> onset = speechOnset(*decoded.recording);
        if (!onset) error = "it holds only silence", decoded.recording.reset();
        decoded.onset = onset.value_or(0);
        if (onset) keepReadFrames(decoded, state.uses[index].shifts);
    }
    if (!decoded.recording) {
        error.insert(0, whereIs(location) + ": ");
        return false;
    }
    advanceProgress();
    return true;
}

// The recordings the stop's keys read that are not decoded yet, in the
// order the keys first read them.
std::vector<int> undecodedRecordings(const RenderState& state, int stop)
{
    std::vector<int> undecoded;
    for (const auto& parts : state.plan.stops[stop].keys)
        for (const KeyPart& part : parts)
            if (!state.decoded[part.recording].recording &&
                std::find(undecoded.begin(), undecoded.end(), part.recording) == undecoded.end())
                undecoded.push_back(part.recording);
    return undecoded;
}

// Decodes them on the workers; false with the error of the first in their
// order that fails, whichever worker met it first.
bool decodeForStop(RenderState& state, int stop, std::string& error)
{
    const std::vector<int> undecoded = undecodedRecordings(state, stop);
    std::vector<std::string> errors(undecoded.size());
    std::vector<int> failed(undecoded.size(), 0);  // not vector<bool>: each worker writes its own element
    forEachOnWorkers(static_cast<int>(undecoded.size()), state.workers,
                     [&](int i, int worker) { failed[i] = !decodeRecording(state, undecoded[i], worker, errors[i]); });
    const auto first = std::find(failed.begin(), failed.end(), 1);
    if (first == failed.end()) return true;
    error = errors[first - failed.begin()];
    return false;
}

// Drops the recordings whose last key this was.
void release(RenderState& state, int stop, int key)
{
    for (const KeyPart& part : state.plan.stops[stop].keys[key]) {
        const KeyUse use = state.uses[part.recording].last;
        Decoded& decoded = state.decoded[part.recording];
        if (use.stop != stop || use.key != key || !decoded.recording) continue;
        if (decoded.padded > 0)
            warn(whereIs(state.plan.recordings[part.recording]) +
                 ": the recording ends before the 0.57 s the organ plays; " + std::to_string(decoded.padded) +
                 " key(s) fade early and end in silence");
        decoded = Decoded{};
    }
}

void addInto(std::vector<float>& sum, const std::vector<float>& frames, double gain)
{
    const std::size_t count = std::min(sum.size(), frames.size());
    for (std::size_t i = 0; i < count; ++i) sum[i] += static_cast<float>(gain * frames[i]);
}

// What one key's rendering tells the run beside its planes.
struct KeyOutcome {
    bool made = false;        // and stored
    std::string error;        // why not
    float peak = 0.0f;        // of its scaled plane
    std::vector<int> padded;  // the recordings that ended before its window did, once per part
};

float peakOf(const std::vector<float>& frames)
{
    float peak = 0.0f;
    for (float value : frames) peak = std::max(peak, std::abs(value));
    return peak;
}

// Sums the key's parts and its member stops' same key into planes. Reads
// only decoded recordings and stored keys of earlier stops, so that the
// keys of a stop can be made side by side.
bool renderKey(const RenderState& state, int stop, int key, KeyPlanes& planes, KeyOutcome& outcome)
{
    const StopPlan& plan = state.plan.stops[stop];
    planes.scaled.assign(2 * keyFrames, 0.0f);
    planes.fixed.assign(state.stops[stop].hasFixed ? 2 * keyFrames : 0, 0.0f);
    for (const KeyPart& part : plan.keys[key]) {
        const Decoded& decoded = state.decoded[part.recording];
        if (state.plan.recordings[part.recording].organSample) {
            addInto(planes.fixed, decoded.recording->frames, part.gain);
            continue;
        }
        const std::optional<RenderedPart> rendered =
            renderPart(*decoded.recording, decoded.onset, part.cents, outcome.error);
        if (!rendered) {
            outcome.error.insert(0, whereIs(state.plan.recordings[part.recording]) + ": ");
            return false;
        }
        if (rendered->padded) outcome.padded.push_back(part.recording);
        addInto(planes.scaled, rendered->frames, part.gain);
    }
    KeyPlanes member;
    for (int memberStop : plan.memberStops) {
        if (!loadKey(storedStop(state.store, memberStop), key, state.stops[memberStop].hasFixed, member, outcome.error))
            return false;
        addInto(planes.scaled, member.scaled, 1.0);
        addInto(planes.fixed, member.fixed, 1.0);
    }
    return true;
}

// Makes and stores the stop's keys on the workers, then, in key order, takes
// their peaks and warnings and drops the recordings no later key reads;
// false with the error of its lowest key that failed.
bool renderStop(RenderState& state, int stop, std::string& error)
{
    std::vector<KeyOutcome> outcomes(keyCount);
    forEachOnWorkers(keyCount, state.workers, [&](int key, int) {
        KeyPlanes planes;
        KeyOutcome& outcome = outcomes[key];
        outcome.made = renderKey(state, stop, key, planes, outcome) &&
                       storeKey(storedStop(state.store, stop), key, planes, outcome.error);
        outcome.peak = peakOf(planes.scaled);
        advanceProgress();
    });
    for (int key = 0; key < keyCount; ++key) {
        if (!outcomes[key].made) {
            error = outcomes[key].error;
            return false;
        }
        state.stops[stop].peak = std::max(state.stops[stop].peak, outcomes[key].peak);
        for (int recording : outcomes[key].padded) ++state.decoded[recording].padded;
        release(state, stop, key);
    }
    return true;
}

}  // namespace

std::filesystem::path storedStop(const std::filesystem::path& store, int stop)
{
    return store / (std::to_string(stop) + ".f32");
}

int renderSteps(const ImportPlan& plan)
{
    return static_cast<int>(plan.recordings.size() + keyCount * plan.stops.size());
}

std::optional<std::vector<RenderedStop>> renderPlan(const ImportPlan& plan, const std::filesystem::path& store,
                                                    std::string& error)
{
    const int workers = importWorkers();
    RenderState state{plan,
                      store,
                      recordingUses(plan),
                      std::vector<Decoded>(plan.recordings.size()),
                      fixedness(plan),
                      workers,
                      std::vector<ArchiveReader>(static_cast<std::size_t>(workers))};
    for (int stop = 0; stop < static_cast<int>(plan.stops.size()); ++stop)
        if (!decodeForStop(state, stop, error) || !renderStop(state, stop, error)) return std::nullopt;
    return state.stops;
}

}  // namespace organ_import
