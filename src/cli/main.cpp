// brumel-batch: restores a folder of faded scans from a shell, a script or a machine without
// a display, with the same correction and writers as the window's batch run.
#include <unistd.h>

#include <iostream>

#include "cli/batch_command.h"

int main(int argc, char** argv) {
  return brumel::RunBatchCommand(argc, argv, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
}
