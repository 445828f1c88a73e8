#include "readers/common/file_head.h"

#include <cstdio>
#include <exception>

#include "platform/file_path.h"
#include "readers/common/reader_util.h"
#include "readers/common/zip_source.h"

namespace chizro {
namespace {

bool HasPrefix(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

bool LooksLikeXml(std::string_view head) {
  if (HasPrefix(head, "\xEF\xBB\xBF")) head.remove_prefix(3);
  if (HasPrefix(head, "\xFE\xFF") || HasPrefix(head, "\xFF\xFE")) return true;
  if (HasPrefix(head, std::string_view("<\0", 2)) || HasPrefix(head, std::string_view("\0<", 2)))
    return true;
  return HasPrefix(TrimBlanks(head), "<");
}

// The local name of the first element after the declaration, comments and
// processing instructions.
std::string RootOf(const std::string& text) {
  std::size_t at = 0;
  while ((at = text.find('<', at)) != std::string::npos) {
    const char next = at + 1 < text.size() ? text[at + 1] : '\0';
    if (next == '?' || next == '!') {
      ++at;
      continue;
    }
    const std::size_t end = text.find_first_of(" \t\r\n>/", at + 1);
    std::string root = text.substr(at + 1, (end == std::string::npos ? text.size() : end) - at - 1);
    const std::size_t colon = root.find(':');
    if (colon != std::string::npos) root.erase(0, colon + 1);
    return root;
  }
  return {};
}

}  // namespace

TFileHead::TFileHead(std::string fileName) : fileName_(std::move(fileName)) {
  if (std::FILE* f = OpenFile(fileName_, "rb")) {
    bytes_.resize(kHeadSize);
    bytes_.resize(std::fread(bytes_.data(), 1, bytes_.size(), f));
    std::fclose(f);
  }
  xml_ = !IsZip() && LooksLikeXml(bytes_);
  if (xml_) {
    xmlText_.reserve(bytes_.size());
    for (char c : bytes_)
      if (c != '\0') xmlText_.push_back(c);
    xmlRoot_ = RootOf(xmlText_);
  }
}

bool TFileHead::StartsWith(std::string_view prefix) const noexcept {
  return HasPrefix(bytes_, prefix);
}

bool TFileHead::IsZip() const noexcept { return StartsWith("PK\x03\x04"); }

bool TFileHead::ListMembers(std::vector<std::string>& members) const {
  if (!listed_) {
    listed_ = true;
    try {
      members_ = ArchiveMembers(fileName_, {".xml", ".zip"}, false);
      listOk_ = true;
    } catch (const std::exception&) {
      listOk_ = false;
    }
  }
  members = members_;
  return listOk_;
}

std::string_view TFileHead::FirstLine() const noexcept {
  const std::string_view head = bytes_;
  const std::size_t end = head.find_first_of("\r\n");
  return end == std::string_view::npos ? head : head.substr(0, end);
}

}  // namespace chizro
