// Runs a scenario on the headless host: its configuration before start-up,
// its steps from the main loop's pumps once start-up has reached the loop.
#pragma once

#include <string>

#include "programs/headless/scenario.h"

namespace headless_host {

// Applies the configuration steps; false with error set when one fails.
bool applyConfiguration(const Scenario& scenario, std::string& error);

// Hands the steps to the window system as its input source. When they run
// out the host prints "scenario complete" and ends with status 0.
void startSteps(Scenario scenario);

}  // namespace headless_host
