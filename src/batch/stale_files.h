// The files a batch run left behind when it was killed outright (SIGKILL, a power cut): its
// outputs staged beside their places, and the writers' temporary files of those.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>

#include "batch/batch.h"

namespace brumel {

// Removes from the folders of the request's outputs every staged output of a run
// (".brumel-PID-INDEX", and its writer's temporary ".<staged>.partial-XXXXXX") that was last
// changed before `runStart` and whose process is no longer running on this machine; returns
// how many were removed. Nothing else is touched, and a folder that cannot be read is passed by.
std::size_t RemoveStaleStagedFiles(const BatchRequest& request, std::time_t runStart);

}  // namespace brumel
