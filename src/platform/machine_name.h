// The machine a run works on: its files in a folder that several machines share are named after
// it, and its report says which machine wrote each output.
#pragma once

#include <cstddef>
#include <string>

namespace brumel {

// The most characters a machine's name takes in a file name.
inline constexpr std::size_t kMostMachineNameChars = 32;

// The system's host name as it is; empty when the system gives none.
const std::string& HostName();

// HostName() as it stands in the names of this machine's files (FileNameOfHost).
const std::string& MachineNameInFiles();

// A host name in a form that every file system takes and that a name can be told apart by:
// lower-case letters, digits, '.' and '-', at most kMostMachineNameChars. A name that does not
// fit as it is (too long, other characters, empty) keeps what fits of it and ends in '_' and a
// hash of the whole, so that two long names alike at the start still differ.
std::string FileNameOfHost(const std::string& host);

}  // namespace brumel
