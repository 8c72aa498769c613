// File-name extensions as the loader and the batch's output names use them.
#pragma once

#include <string>

namespace brumel {

// From the last "." that stands after the last "\", "/" and ":", the dot included; empty when
// there is no such dot.
std::string FileExtension(const std::string& fileName);

// The name without its extension.
std::string WithoutExtension(const std::string& fileName);

// Upper-cases the letters a to z only; every other byte stays.
std::string UpperAscii(std::string text);

}  // namespace brumel
