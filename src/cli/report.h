// brumel-batch --report: a JSON Lines file with one record per input, written as soon as the
// input ends, each record one whole line, so that a run killed at any moment leaves a report
// whose every line parses.
#pragma once

#include <memory>
#include <string>

#include "batch/input_record.h"

namespace brumel {

class JsonLinesReport {
 public:
  // The report in a new (or emptied) file; raises the error type, naming it, when it cannot
  // be made.
  explicit JsonLinesReport(const std::string& file);
  ~JsonLinesReport();
  JsonLinesReport(const JsonLinesReport&) = delete;
  JsonLinesReport& operator=(const JsonLinesReport&) = delete;

  // input, output, status ("written", "skipped" or "failed"), reason, width, height, seconds,
  // settings: the options that reproduce the correction, and host: the machine that wrote it,
  // since the shards of one list may run on many. Raises the error type when the line cannot
  // be written.
  void Add(const InputRecord& record, const std::string& settings);

 private:
  std::string file_;
  int descriptor_;
};

// The text in double quotes with the escapes JSON needs.
std::string JsonString(const std::string& text);

}  // namespace brumel
