// What the batch checks of an input before its reader sees it.
#pragma once

#include <string>

namespace brumel {

// Raises the error type with the reason when the input is not a regular file that can be read:
// the system's words ("No such file or directory", "Permission denied"), or what it is instead
// ("a FIFO, not a picture file"). A FIFO is not opened, so the batch never waits on one.
void CheckInputFile(const std::string& input);

}  // namespace brumel
