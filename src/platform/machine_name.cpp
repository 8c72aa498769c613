#include "platform/machine_name.h"

#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>

namespace brumel {

namespace {

char FileNameChar(char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
  const bool kept = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
  return kept ? c : '_';
}

// FNV-1a: a short, fixed digest of the whole name, the same on every machine.
std::uint32_t Hash(const std::string& text) {
  std::uint32_t hash = 2166136261u;
  for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  return hash;
}

std::string ReadHostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

}  // namespace

const std::string& HostName() {
  static const std::string name = ReadHostName();
  return name;
}

const std::string& MachineNameInFiles() {
  static const std::string name = FileNameOfHost(HostName());
  return name;
}

std::string FileNameOfHost(const std::string& host) {
  std::string name;
  bool changed = host.empty() || host.size() > kMostMachineNameChars;
  for (const char c : host.substr(0, kMostMachineNameChars)) {
    name += FileNameChar(c);
    changed = changed || name.back() == '_';
  }
  if (!changed) return name;
  char digest[10];
  std::snprintf(digest, sizeof digest, "_%08x", static_cast<unsigned>(Hash(host)));
  return name.substr(0, kMostMachineNameChars - 9) + digest;
}

}  // namespace brumel
