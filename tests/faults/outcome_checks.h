// What must hold after velmara-import failed at one call, was killed, or
// ran again after a kill: each check takes the exit status (-1 when the run
// did not exit) and says what is wrong, or nothing.
#pragma once

#include <string>

#include "fault_scenarios.h"
#include "folder_tree.h"

namespace faulttest {

struct States {
    Tree before, after;  // BRIMWELL_DIR before the import and after it succeeded
};

// A run whose call failed: exactly as before with a refusal, exactly as
// after with status 0.
std::string afterFailure(int status, const std::string& error, const Tree& tree, const States& states);

// A killed run: the definition old or new, and each stop it lists all in
// place, as it was before or after.
std::string afterKill(int status, const Tree& tree, const Scenario& scenario, const States& states);

// The same command run again after a kill: exactly as after, with status 0
// or, for a run without --replace, refused because it is done already.
std::string afterRerun(int status, const std::string& error, const Tree& tree, const Scenario& scenario,
                       const States& states);

}  // namespace faulttest
