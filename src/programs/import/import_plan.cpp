// Listing a plan's recordings once each (see import_plan.h).
#include "programs/import/import_plan.h"

namespace organ_import {

int recordingIndex(ImportPlan& plan, const RecordingLocation& location)
{
    const auto [found, added] =
        plan.recordingOf.try_emplace({location.file, location.member}, static_cast<int>(plan.recordings.size()));
    if (added) plan.recordings.push_back(location);
    return found->second;
}

}  // namespace organ_import
