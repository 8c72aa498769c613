#include "platform/application_title.h"

namespace brumel {

std::string ApplicationTitle(const std::string& programPath) {
  const std::size_t slash = programPath.find_last_of('/');
  std::string title = slash == std::string::npos ? programPath : programPath.substr(slash + 1);
  title = title.substr(0, title.find('.'));
  for (std::size_t i = 1; i < title.size(); ++i)
    if (title[i] >= 'A' && title[i] <= 'Z') title[i] = static_cast<char>(title[i] - 'A' + 'a');
  return title;
}

}  // namespace brumel
