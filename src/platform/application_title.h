// The caption of every message box: the program file's name without its folder and without
// everything from its first "." on, every character after the first in lower case.
#pragma once

#include <string>

namespace brumel {

// "/usr/bin/BRUMEL.EXE" gives "Brumel", "brumel" gives "brumel".
std::string ApplicationTitle(const std::string& programPath);

}  // namespace brumel
