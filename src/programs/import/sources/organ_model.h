// An organ definition read once into typed values: its manuals, the stops
// they list, the ranks and own pipes those stops sound, and every pipe with
// its levels, each value range-checked where it is read.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "programs/import/sources/organ_ini.h"

namespace organ_import {

constexpr long highestNumber = 999;  // of a section or key numbered with three digits

// "Stop101", "Rank004", "Pipe012": a section or key with its three-digit number.
std::string numbered(std::string_view name, long number);

// PitchTuning (cents), AmplitudeLevel (a fraction of 100 percent) and Gain
// (dB) on one level: the organ, a rank or stop, a pipe.
struct Voicing {
    double cents = 0.0;
    double amplitude = 1.0;
    double decibels = 0.0;
};

struct OrganPipe {
    enum class Kind { missing, dummy, recording, reference };
    Kind kind = Kind::missing;
    std::string cited;                // the pipe's line ("demo.organ:583: Pipe001=..."); empty when it is missing
    std::string file;                 // of a recording, as the definition names it
    std::array<long, 3> reference{};  // of a reference: manual, stop of the manual, pipe (from 1)
    std::string lentSet;              // the pipe set it borrows from: that stop's first rank or own pipes
    Voicing voicing;
    double pitchCorrection = 0.0;  // read and checked, never heard: the organ plays in its own temperament
};

// A rank, or a stop that carries its own pipes.
struct PipeSet {
    std::string section;  // "Rank004", "Stop101"
    Voicing voicing;      // its cents include its windchest group's PitchTuning
    double pitchCorrection = 0.0;
    std::vector<OrganPipe> pipes;  // pipe n at n - 1
};

struct RankOfStop {
    std::string set;  // "Rank004"
    long firstPipe;   // of the rank, on the stop's key firstKey
    long firstKey;    // of the stop, from 1
    long count;
    long setPipes;  // how many pipes the set holds
};

struct OrganStop {
    std::string section;   // "Stop101"
    std::string name;      // Name=, UTF-8
    long firstLogicalKey;  // the manual's logical key of the stop's first key
    long accessibleKeys;
    std::vector<RankOfStop> ranks;  // the stop's own pipes as one rank when it references none
};

struct OrganManual {
    std::string section;  // "Manual001"
    std::string name;
    long firstLogicalKey = 0, firstMidiNote = 0, accessibleKeys = 0;
    std::vector<long> stops;  // the numbers it lists, in its order
};

struct OrganModel {
    std::string fileName;
    std::string churchName;
    Voicing voicing;
    double pitchCorrection = 0.0;
    std::vector<OrganManual> manuals;  // the pedal first when the organ has one
    std::map<long, OrganStop> stops;
    std::map<std::string, PipeSet, std::less<>> pipeSets;
    std::vector<std::string> unplayed;  // "2 couplers", "5 release recordings": what no stop of Velmara's plays
};

// The organ the definition describes, as far as its manuals reach. Nothing,
// with error citing the line, when a value is absent without a default, is
// not a number, lies outside its range, or a REF names no stop's pipes.
std::optional<OrganModel> readOrganModel(const OrganIni& ini, std::string& error);

}  // namespace organ_import
