// The output name of each input: a template filled from the input's own name when the chosen
// name holds a "{", the window's naming (name, index, extension) otherwise.
#pragma once

#include <cstddef>
#include <optional>
#include <set>
#include <string>

#include "batch/batch.h"

namespace brumel {

// What is wrong with the chosen name as a template (an unknown field, a lone brace), or nothing.
// The fields are {name} (the input's file name without folder and extension), {index} (its
// position in the whole input list, from 0) and {ext} (the output format's extension); {{ and }}
// are braces.
std::optional<std::string> TemplateProblem(const std::string& chosenName);

// The position of the request's input `index` in the whole input list.
std::size_t PositionOf(const BatchRequest& request, std::size_t index);

// The output of the request's input `index`: the one place every output name comes from.
std::string OutputNameOf(const BatchRequest& request, std::size_t index);

// "the output C would overwrite the input A" when an output reaches an input (through another
// spelling, a symbolic or a hard link), or nothing; one look-up per output, so that a list of
// many thousands of inputs is checked in moments.
std::optional<std::string> OutputOverInput(const BatchRequest& request);

// "inputs A and B would both be written to C" when two inputs share an output, or "the output C
// would overwrite the input A" when an output reaches an input; nothing when the names are apart.
std::optional<std::string> OutputClash(const BatchRequest& request);

// The folders the outputs go in ("" for the current one).
std::set<std::string> OutputFolders(const BatchRequest& request);

// Creates the folders the outputs go in; raises the error type naming a folder it cannot make.
void CreateOutputFolders(const BatchRequest& request);

}  // namespace brumel
