// The four imports the fault tests break: a new stop from a folder of
// recordings, a stop replaced from an organ package, a whole organ package
// and a registration of stops already in BRIMWELL_DIR.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "support/fixtures.h"

namespace faulttest {

struct Scenario {
    const char* name;
    const char* definition;  // the organ definition's file in BRIMWELL_DIR
    bool replaces;           // run with --replace: running it again is never refused
    // Writes BRIMWELL_DIR as it is before the import and the sources the
    // import reads; the import's arguments.
    std::vector<std::string> (*prepare)(const fixtures::OrganDirectory& organ);
};

extern const Scenario scenarios[4];

// How GoogleTest shows a scenario: by its name.
void PrintTo(const Scenario& scenario, std::ostream* out);

}  // namespace faulttest
