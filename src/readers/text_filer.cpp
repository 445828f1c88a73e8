#include "readers/text_filer.h"

#include <fstream>
#include <iterator>

#include "platform/errors.h"

namespace chizro {

TTextFiler::TTextFiler(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return;
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Lines = SplitLines(data);
}

std::vector<std::string> TTextFiler::SplitLines(std::string_view data) {
  std::vector<std::string> lines;
  std::size_t p = 0;
  const std::size_t n = data.size();
  while (p < n && data[p] != '\0') {
    const std::size_t start = p;
    while (p < n && data[p] != '\r' && data[p] != '\n' && data[p] != '\0') ++p;
    lines.emplace_back(data.substr(start, p - start));
    if (p < n && data[p] == '\r') ++p;
    if (p < n && data[p] == '\n') ++p;
  }
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
