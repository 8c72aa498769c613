// Reading the update check's two text files line by line, the way they have always been
// written: a line ends at a CR, a LF right after that CR belongs to the line end, and a LF
// alone is part of the line. A Ctrl-Z or the end of the text ends the text.
#pragma once

#include <string_view>

namespace brumel {

class TextLineReader {
 public:
  explicit TextLineReader(std::string_view text);

  // The next line without its line end; empty once the text has ended.
  std::string_view NextLine();
  bool AtEnd() const { return rest_.empty(); }

 private:
  std::string_view rest_;
};

}  // namespace brumel
