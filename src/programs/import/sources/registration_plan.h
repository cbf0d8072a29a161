// A registration as a stop of the plan: each key sounds the same key of
// every member, a stop of this run (its rendered sound, summed before the
// one rounding) or a stop already in BRIMWELL_DIR (its files as the organ
// plays them).
#pragma once

#include <filesystem>
#include <string>

#include "programs/import/import_options.h"
#include "programs/import/import_plan.h"

namespace organ_import {

// Adds the registration, named already. A member is the stop of this run
// that has its name, else the one stop of this run whose own name (an
// organ's) it is, else the stop folder in brimwell the organ would find for
// it. False, with error naming the candidates, for a member that matches no
// stop or several, or one named twice.
bool planRegistration(const RegistrationOption& registration, const std::filesystem::path& brimwell, StopPlan stop,
                      ImportPlan& plan, std::string& error);

}  // namespace organ_import
