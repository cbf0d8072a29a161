// Laying an organ's pipes on its keys (see organ_pipes.h).
#include "programs/import/sources/organ_pipes.h"

#include <cmath>

namespace organ_import {

namespace {

constexpr int deepestReference = 16;  // REF pipes followed before they are taken for a circle

// The pipe, or nullptr with error set when its set does not reach it.
const OrganPipe* pipeOf(const OrganModel& model, const PipeAt& at, std::string& error)
{
    const PipeSet& set = model.pipeSets.find(at.set)->second;
    const bool isThere = at.pipe >= 1 && at.pipe <= static_cast<long>(set.pipes.size()) &&
                         set.pipes[static_cast<std::size_t>(at.pipe - 1)].kind != OrganPipe::Kind::missing;
    if (!isThere) {
        error = model.fileName + ": [" + at.set + "] has no " + numbered("Pipe", at.pipe);
        return nullptr;
    }
    return &set.pipes[static_cast<std::size_t>(at.pipe - 1)];
}

}  // namespace

std::vector<PipeAt> pipesOnKey(const OrganStop& stop, long logicalKey)
{
    const long position = logicalKey - stop.firstLogicalKey + 1;  // the stop's own key, from 1
    std::vector<PipeAt> pipes;
    if (position < 1 || position > stop.accessibleKeys) return pipes;
    for (const RankOfStop& rank : stop.ranks) {
        const long offset = position - rank.firstKey;
        const long pipe = rank.firstPipe + offset;
        if (offset >= 0 && offset < rank.count && pipe >= 1 && pipe <= rank.setPipes) pipes.push_back({rank.set, pipe});
    }
    return pipes;
}

bool pipeSound(const OrganSource& source, const OrganModel& model, const PipeAt& at, std::optional<PipeSound>& sound,
               std::string& error)
{
    sound.reset();
    PipeAt followed = at;
    const OrganPipe* pipe = pipeOf(model, followed, error);
    for (int depth = 0; pipe && pipe->kind == OrganPipe::Kind::reference; ++depth) {
        if (depth == deepestReference) {
            error = pipe->cited + ": REF pipes that borrow one another in a circle";
            return false;
        }
        followed = PipeAt{pipe->lentSet, pipe->reference[2]};
        pipe = pipeOf(model, followed, error);
    }
    if (!pipe) return false;
    if (pipe->kind == OrganPipe::Kind::dummy) return true;
    const Voicing& set = model.pipeSets.find(followed.set)->second.voicing;
    const double cents = model.voicing.cents + set.cents + pipe->voicing.cents;
    const double amplitude = model.voicing.amplitude * set.amplitude * pipe->voicing.amplitude;
    const double decibels = model.voicing.decibels + set.decibels + pipe->voicing.decibels;
    const std::optional<RecordingLocation> location = recordingLocation(source, pipe->file, pipe->cited, error);
    if (!location) return false;
    sound = PipeSound{*location, cents, amplitude * std::pow(10.0, decibels / 20.0)};
    return true;
}

}  // namespace organ_import
