#include "batch/input_file_check.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/error.h"
#include "platform/file_access.h"

namespace brumel {

namespace {

// What a name that is not a regular file is instead; null for a regular file.
const char* WhatInstead(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return S_ISREG(mode) ? nullptr : "not a regular file";
}

}  // namespace

void CheckInputFile(const std::string& input) {
  struct stat status {};
  if (stat(input.c_str(), &status) != 0) throw Error(std::strerror(errno));
  if (const char* instead = WhatInstead(status.st_mode))
    throw Error(std::string(instead) + ", not a picture file");
  const int descriptor = OpenRegularFile(input);
  if (descriptor < 0) throw Error(std::strerror(errno));
  close(descriptor);
}

}  // namespace brumel
