#include "batch/stale_files.h"

#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <regex>

#include "batch/output_template.h"

namespace brumel {

namespace {

namespace fs = std::filesystem;

// The staged names of batch.cpp (the process's number, then the input's index) and the writers'
// temporary names (the process's number, then six random characters).
const std::regex kStagedName(R"(\.brumel-([0-9]{1,9})-([0-9]{1,20}|[A-Za-z0-9]{6}))");

bool Running(long pid) {
  return kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

bool Stale(const fs::path& file, std::time_t runStart) {
  std::smatch match;
  const std::string name = file.filename().string();
  if (!std::regex_match(name, match, kStagedName)) return false;
  struct stat status {};
  if (lstat(file.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
  return status.st_mtime < runStart && !Running(std::stol(match[1].str()));
}

}  // namespace

std::size_t RemoveStaleStagedFiles(const BatchRequest& request, std::time_t runStart) {
  std::size_t removed = 0;
  for (const std::string& folder : OutputFolders(request)) {
    std::error_code error;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(folder.empty() ? "." : folder, error)) {
      std::error_code ignored;
      if (Stale(entry.path(), runStart) && fs::remove(entry.path(), ignored)) ++removed;
    }
  }
  return removed;
}

}  // namespace brumel
