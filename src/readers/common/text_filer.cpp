#include "readers/common/text_filer.h"

#include <fstream>
#include <iterator>

#include "platform/errors.h"
#include "platform/file_path.h"

namespace chizro {

TTextFiler::TTextFiler(const std::string& fileName) {
  std::ifstream in(FsPath(fileName), std::ios::binary);
  if (!in) return;
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Lines = SplitLines(data);
}

bool TLineCursor::Next(std::string_view& line) noexcept {
  const std::size_t n = text_.size();
  if (pos_ >= n || text_[pos_] == '\0') return false;
  const std::size_t start = pos_;
  // One comparison for the bytes above CR, nearly all of them.
  constexpr unsigned kLineEnds = (1u << '\r') | (1u << '\n') | 1u;
  while (pos_ < n) {
    const auto c = static_cast<unsigned char>(text_[pos_]);
    if (c <= '\r' && ((kLineEnds >> c) & 1u) != 0) break;
    ++pos_;
  }
  line = text_.substr(start, pos_ - start);
  if (pos_ < n && text_[pos_] == '\r') ++pos_;
  if (pos_ < n && text_[pos_] == '\n') ++pos_;
  ++line_;
  return true;
}

std::vector<std::string> TTextFiler::SplitLines(std::string_view data) {
  std::vector<std::string> lines;
  TLineCursor cursor(data);
  for (std::string_view line; cursor.Next(line);) lines.emplace_back(line);
  return lines;
}

const std::string& TTextFiler::ReadLine() {
  const std::string& line = GetLine(Index);
  ++Index;
  return line;
}

const std::string& TTextFiler::GetLine(int i) const {
  if (i < 0 || i >= static_cast<int>(Lines.size())) throw EListIndexError(i);
  return Lines[static_cast<std::size_t>(i)];
}

}  // namespace chizro
