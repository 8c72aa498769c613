#include "batch/stale_files.h"

#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include "batch/output_template.h"
#include "platform/machine_name.h"
#include "platform/temporary_name.h"

namespace brumel {

namespace {

namespace fs = std::filesystem;

// A process number says something only on the machine that gave it out.
bool RunningHere(long pid) {
  return kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

// Looks at one entry of an output folder: removes it when it is this machine's and stale, and
// notes it when it is another machine's and abandoned.
void Clear(const fs::path& file, std::time_t runStart, StaleFilesCleared& cleared) {
  const auto owner = OwnerOfTemporaryName(file.filename().string());
  if (!owner) return;
  struct stat status {};
  if (lstat(file.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return;
  if (status.st_mtime >= runStart) return;
  const bool ours = owner->machine.empty() || owner->machine == MachineNameInFiles();
  if (!ours) {
    const std::time_t age = runStart - status.st_mtime;
    if (age > kAbandonedAfterSeconds) cleared.abandoned.push_back({file.string(), age});
    return;
  }
  std::error_code ignored;
  if (!RunningHere(owner->process) && fs::remove(file, ignored)) ++cleared.removed;
}

}  // namespace

StaleFilesCleared RemoveStaleStagedFiles(const BatchRequest& request, std::time_t runStart) {
  StaleFilesCleared cleared;
  for (const std::string& folder : OutputFolders(request)) {
    std::error_code error;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(folder.empty() ? "." : folder, error))
      Clear(entry.path(), runStart, cleared);
  }
  return cleared;
}

}  // namespace brumel
