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
    int stopCount;                   // stops added to the plan, each with its silent keys in its origin
    std::vector<std::string> leftOut;
    std::vector<std::string> renamed;  // "Montre 8' -> Montre 8"
};

// Adds the organ's stops to the plan: each stop a manual lists (the pedal
// included, a stop listed twice once) that sounds on at least two of the 61
// keys, in the order the manuals list them; only those `chosen` names (each
// the organ's own name of a stop, or the name it gets beside every stop the
// manuals list, "Flute GO" of two Flutes) when it is not empty.
// Key k plays the manual's logical key FirstAccessibleKeyLogicalKeyNumber +
// (36 + k) - FirstAccessibleKeyMIDINoteNumber; a key outside the manual's
// accessible keys or the stop's compass is silent. Nothing, with error set,
// when the organ cannot be read, a chosen name is no stop of it, a recording
// is not there, it brings no stop at all, or more than the organ holds.
std::optional<OrganReport> planOrgan(const std::filesystem::path& file, const std::vector<std::string>& chosen,
                                     ImportPlan& plan, std::string& error);

// The report on standard output.
void printOrganReport(const OrganReport& report);

}  // namespace organ_import
