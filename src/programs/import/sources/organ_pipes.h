// Which pipes of an organ sound on a key of a stop, and how: a stop's own
// pipes or its ranks laid on the manual's keys, REF pipes followed to the
// pipe they borrow, DUMMY pipes silent, tuning and level taken over the
// organ, the rank and the pipe.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "programs/import/import_plan.h"
#include "programs/import/sources/organ_source.h"

namespace organ_import {

struct PipeAt {
    std::string rank;  // the section holding the pipe: the stop's own ("Stop101") or a rank ("Rank004")
    long pipe;         // from 1
};

constexpr long highestNumber = 999;  // of a section or key numbered with three digits

// "Stop101", "Rank004", "Pipe012": a section or key with its three-digit number.
std::string numbered(std::string_view name, long number);

// The pipes the stop sounds on the manual's logical key: of its own pipes
// the one there, or of each of its ranks the one there (a mixture sounds
// several). None outside the stop's compass; nothing, with error set, when
// the stop's keys cannot be read.
std::optional<std::vector<PipeAt>> pipesOnKey(const OrganIni& ini, std::string_view stop, long logicalKey,
                                              std::string& error);

struct PipeSound {
    RecordingLocation recording;
    double cents;  // from the recorded pitch
    double gain;   // linear
};

// What the pipe adds to a key: its first attack recording, its cents the sum
// of PitchTuning over the organ, the rank and the pipe plus the pipe's
// PitchCorrection (the rank's when the pipe has none) and the organ's, its
// gain the product of the AmplitudeLevels (percent) by the sum of the Gains
// (dB) on the same levels. A DUMMY pipe sounds nothing; a REF:aaa:bbb:ccc
// pipe sounds as pipe ccc of the first rank of stop bbb of manual aaa. False,
// with error set, when the pipe cannot be read or its recording is not there.
bool pipeSound(const OrganSource& source, const PipeAt& pipe, std::optional<PipeSound>& sound, std::string& error);

}  // namespace organ_import
