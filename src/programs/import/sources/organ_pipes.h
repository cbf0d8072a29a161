// Which pipes of an organ sound on a key of a stop, and how: a stop's own
// pipes or its ranks laid on the manual's keys, REF pipes followed to the
// pipe they borrow, DUMMY pipes silent, tuning and level taken over the
// organ, the rank and the pipe.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "programs/import/import_plan.h"
#include "programs/import/sources/organ_model.h"
#include "programs/import/sources/organ_source.h"

namespace organ_import {

struct PipeAt {
    std::string set;  // the pipe set holding the pipe: the stop's own ("Stop101") or a rank ("Rank004")
    long pipe;        // from 1
};

// The pipes the stop sounds on the manual's logical key: of its own pipes
// the one there, or of each of its ranks the one there (a mixture sounds
// several). None outside the stop's compass.
std::vector<PipeAt> pipesOnKey(const OrganStop& stop, long logicalKey);

struct PipeSound {
    RecordingLocation recording;
    double cents;  // from the recorded pitch
    double gain;   // linear
};

// What the pipe adds to a key: its recording, its cents the sum of the
// PitchTunings of the organ, the pipe set (with its windchest group) and the
// pipe, its gain the product of the AmplitudeLevels by the sum of the Gains
// (dB) on the same levels. PitchCorrection, which retunes to other
// temperaments, is left out: the organ sounds in its own. A DUMMY pipe
// sounds nothing; a REF pipe sounds as the pipe it borrows. False, with
// error set, when the pipe is not in the definition, REF pipes borrow one
// another in a circle, or its recording is not there.
bool pipeSound(const OrganSource& source, const OrganModel& model, const PipeAt& pipe, std::optional<PipeSound>& sound,
               std::string& error);

}  // namespace organ_import
