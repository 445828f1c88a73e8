// Whole-file line reader for the text-based readers. The file's bytes are
// taken as they are (Shift_JIS stays Shift_JIS). A line runs up to the next
// CR, LF or NUL; CR LF ends one line; the scan stops at the first NUL byte.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace chizro {

class TTextFiler final {
public:
  // Reads the whole file; a missing file gives an empty filer.
  explicit TTextFiler(const std::string& fileName);

  bool Eof() const noexcept { return Index >= static_cast<int>(Lines.size()); }
  // Line `Index`, then moves on. Throws EListIndexError past the end.
  const std::string& ReadLine();
  // Line `i` without moving; throws EListIndexError outside 0..count-1.
  const std::string& GetLine(int i) const;
  int Count() const noexcept { return static_cast<int>(Lines.size()); }

  // Splits `data` into lines by the rule above.
  static std::vector<std::string> SplitLines(std::string_view data);

  std::vector<std::string> Lines;
  int Index = 0;
};

}  // namespace chizro
