// Lines of text for the text-based readers. The bytes are taken as they are
// (Shift_JIS stays Shift_JIS). A line runs up to the next CR, LF or NUL; CR
// LF ends one line; the text ends at its first NUL byte.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace chizro {

// Hands out the lines of a text one by one as views into it, by the rule
// above.
class TLineCursor {
public:
  explicit TLineCursor(std::string_view text) noexcept : text_(text) {}
  // The next line; false at the end of the text.
  bool Next(std::string_view& line) noexcept;
  // Bytes not yet handed out.
  std::size_t Remaining() const noexcept { return text_.size() - pos_; }
  // The 1-based number of the line handed out last (0 before the first).
  std::size_t LineNumber() const noexcept { return line_; }
  // Bytes handed out so far.
  std::size_t Offset() const noexcept { return pos_; }

private:
  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t line_ = 0;
};

// A whole file as its lines.
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
  // The 1-based number of the line ReadLine gave last, for messages.
  int LineNumber() const noexcept { return Index; }

  // Splits `data` into lines by the rule above.
  static std::vector<std::string> SplitLines(std::string_view data);

  std::vector<std::string> Lines;
  int Index = 0;
};

}  // namespace chizro
