// What every kind of source becomes before anything is rendered: for each
// stop to write, the parts each of its 61 keys sums (a recording, a pitch
// shift in cents, a gain), and the recordings those parts name, each listed
// once so that it is decoded once.
#pragma once

#include <array>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bank/key_numbering.h"

namespace organ_import {

// Where a recording's bytes are: a file, or a member of an archive.
struct RecordingLocation {
    std::filesystem::path file;  // the file, or the archive holding it
    std::string member;          // the member's name inside the archive; empty for a plain file
    std::string citation;        // what names it, for errors ("Demo.organ:412: Pipe012=...")
    bool organSample = false;    // already one of the organ's own sample files: played as it is
};

// One sound a key sums: a recording played `cents` above its recorded pitch
// (below when negative), its speech placed where the organ starts to play,
// at `gain` (linear, 1 for as recorded). A part of an organ sample is heard
// as the organ plays its file (no shift, no trimming) and is already at the
// organ's level: the run's gain does not scale it.
struct KeyPart {
    int recording;  // index into ImportPlan::recordings
    double cents;
    double gain;
};

struct StopPlan {
    std::string folder;          // the stop's folder name in the host's encoding
    std::string definitionName;  // its name as the definition holds it (Windows-1252 bytes)
    std::string ownName;         // the name its source gives it (an organ's own stop name); empty for a folder's
    std::string origin;          // what it was made from, for the summary
    std::string source;          // where it comes from, as its folder's record keeps it (see stop_origin.h)
    std::string namesakeSuffix;  // Windows-1252 suffix beside another source's namesake; empty when the user named it
    std::array<std::vector<KeyPart>, keyCount> keys;  // key 0 first; no part is a silent key
    std::vector<int> memberStops;  // earlier stops of the plan each key also sums, key for key (a registration)
};

struct ImportPlan {
    std::vector<RecordingLocation> recordings;
    std::vector<StopPlan> stops;
    std::map<std::pair<std::filesystem::path, std::string>, int> recordingOf;  // file and member to index
};

// The index of the recording in the plan, added when it is not there yet.
int recordingIndex(ImportPlan& plan, const RecordingLocation& location);

}  // namespace organ_import
