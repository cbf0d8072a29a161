// A whole organ (.organ, .orgue) as stops of an import plan: which stops,
// which pipes sound on each of Velmara's keys, their names, and what is
// left out.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "programs/import/import_plan.h"

namespace organ_import {

struct OrganReport {
    std::string organ;               // ChurchName and the definition it came from
    std::string definitionFileName;  // named after ChurchName: "GrandOrgue demo V1.org"
    std::string definition;          // how errors name the definition: "demo.orgue/demo.organ"
    int stopCount;                   // stops added to the plan, each with its silent keys in its origin
    std::vector<std::string> leftOut;
    std::vector<std::string> renamed;      // "Montre 8' -> Montre 8"
    std::vector<std::string> stopNames;    // the organ's own names of the stops its manuals list
    std::vector<std::string> chosenFound;  // the chosen names that call one of them
};

// Adds the organ's stops to the plan: each stop a manual lists (the pedal
// included, a stop listed twice once) that sounds on at least two of the 61
// keys, in the order the manuals list them; only those `chosen` names call
// (each the organ's own name of a stop, or the name it gets beside every
// stop the manuals list, "Flute GO" of two Flutes) when it is not empty, and
// none when no chosen name calls a stop of this organ (stopCount 0). A stop
// silent at its levels is left out and said so. Nothing, with error set,
// when the organ cannot be read, a recording is not there, it brings no stop
// that sounds (saying why), or more than the organ holds.
std::optional<OrganReport> planOrgan(const std::filesystem::path& file, const std::vector<std::string>& chosen,
                                     ImportPlan& plan, std::string& error);

// The report on standard output.
void printOrganReport(const OrganReport& report);

}  // namespace organ_import
