// The names of files not yet complete, which every writer of the system gives them in the
// folder of their target: ".brumel-MACHINE-PID-" and a tail, MACHINE the writing machine's name
// (MachineNameInFiles) and PID its process's number, so that a later run, on this machine or on
// another that shares the folder, can tell what a run killed outright left behind. Older
// versions wrote ".brumel-PID-" and a tail.
#pragma once

#include <optional>
#include <string>

namespace brumel {

inline constexpr char kTemporaryPrefix[] = ".brumel-";

// ".brumel-MACHINE-PID-" of this process, to which a writer adds its tail.
std::string TemporaryNameStart();

// Who wrote a file of such a name.
struct TemporaryNameOwner {
  std::string machine;  // as in the name; empty for a name of an older version
  long process = 0;
};

// The writer of a file so named, the tail being a number (a staged output) or six letters and
// digits (a writer's temporary file); nothing for any other name.
std::optional<TemporaryNameOwner> OwnerOfTemporaryName(const std::string& fileName);

}  // namespace brumel
