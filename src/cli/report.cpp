#include "cli/report.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/error.h"
#include "platform/machine_name.h"

namespace brumel {

namespace {

const char* StatusName(InputStatus status) {
  switch (status) {
    case InputStatus::Written: return "written";
    case InputStatus::Skipped: return "skipped";
    case InputStatus::Failed: break;
  }
  return "failed";
}

}  // namespace

std::string JsonString(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(c));
      quoted += escape;
    } else {
      quoted += c;
    }
  }
  return quoted + '"';
}

JsonLinesReport::JsonLinesReport(const std::string& file)
    : file_(file), descriptor_(open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)) {
  if (descriptor_ < 0) throw Error("Cannot write the report " + file + ": " + std::strerror(errno));
}

JsonLinesReport::~JsonLinesReport() {
  close(descriptor_);
}

void JsonLinesReport::Add(const InputRecord& record, const std::string& settings) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", record.seconds);
  const std::string line =
      "{\"input\":" + JsonString(record.input) + ",\"output\":" + JsonString(record.output) +
      ",\"status\":\"" + StatusName(record.status) + "\",\"reason\":" + JsonString(record.reason) +
      ",\"width\":" + std::to_string(record.width) +
      ",\"height\":" + std::to_string(record.height) + ",\"seconds\":" + seconds +
      ",\"settings\":" + JsonString(settings) + ",\"host\":" + JsonString(HostName()) + "}\n";
  // One write call a line: a run killed between two records leaves only whole lines.
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t wrote = write(descriptor_, line.data() + done, line.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) throw Error("Cannot write the report " + file_ + ": " + std::strerror(errno));
    done += static_cast<std::size_t>(wrote);
  }
}

}  // namespace brumel
