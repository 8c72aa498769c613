// The files a batch run left behind when it was killed outright (SIGKILL, a power cut, a
// machine lost): its outputs staged beside their places, and the writers' temporary files of
// those, all named as temporary_name.h says.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

#include "batch/batch.h"

namespace brumel {

// How old another machine's staged file is before its run is surely over.
inline constexpr std::time_t kAbandonedAfterSeconds = 24 * 60 * 60;

// A staged file of another machine's run, left in place since only that machine can tell
// whether its run still goes on.
struct AbandonedStagedFile {
  std::string path;
  std::time_t ageSeconds = 0;  // at the run's start
};

struct StaleFilesCleared {
  std::size_t removed = 0;
  // Other machines' staged files older than kAbandonedAfterSeconds, in the folders' order.
  std::vector<AbandonedStagedFile> abandoned;
};

// Removes from the folders of the request's outputs every staged file of this machine that was
// last changed before `runStart` and whose process no longer runs here. Names of older
// versions, which carry no machine, are taken as this machine's. Other machines' files stay,
// the abandoned ones named in what is returned. Nothing else is touched, and a folder that
// cannot be read is passed by.
StaleFilesCleared RemoveStaleStagedFiles(const BatchRequest& request, std::time_t runStart);

}  // namespace brumel
