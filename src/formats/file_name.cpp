#include "formats/file_name.h"

namespace brumel {

std::string FileExtension(const std::string& fileName) {
  const std::size_t last = fileName.find_last_of(".\\/:");
  if (last == std::string::npos || fileName[last] != '.') return "";
  return fileName.substr(last);
}

std::string WithoutExtension(const std::string& fileName) {
  return fileName.substr(0, fileName.size() - FileExtension(fileName).size());
}

std::string UpperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

}  // namespace brumel
