#include "readers/common/leaf_path.h"

#include <utility>

#include "platform/text_case.h"

namespace chizro {

bool EndsWithNoCase(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && LowerAscii(std::string(s.substr(s.size() - tail.size()))) == tail;
}

TLeafPath TLeafPath::Parse(std::string_view text) {
  // Each level but the last ends in ".zip|".
  const std::string lower = LowerAscii(std::string(text));
  const std::string marker = std::string(kArchiveEnding) + kSeparator;
  const std::size_t keep = kArchiveEnding.size();
  TLeafPath path;
  std::size_t at = lower.find(marker);
  if (at == std::string::npos) {
    path.File = text;
    return path;
  }
  path.File = text.substr(0, at + keep);
  std::size_t from = at + marker.size();
  while ((at = lower.find(marker, from)) != std::string::npos) {
    path.Members.emplace_back(text.substr(from, at + keep - from));
    from = at + marker.size();
  }
  path.Members.emplace_back(text.substr(from));
  return path;
}

std::string TLeafPath::Text() const {
  std::string text = File;
  for (const std::string& member : Members) {
    text += kSeparator;
    text += member;
  }
  return text;
}

TLeafPath TLeafPath::Member(std::string member) const {
  TLeafPath path = *this;
  path.Members.push_back(std::move(member));
  return path;
}

}  // namespace chizro
