#include "readers/kind_of_file.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <vector>

#include "platform/file_path.h"
#include "platform/sorted.h"
#include "readers/data_kinds.h"
#include "readers/common/reader_util.h"
#include "readers/common/leaf_path.h"
#include "readers/common/zip_source.h"

namespace chizro {
namespace {

// Enough of a file's head to see its root element or its first lines.
constexpr std::size_t kHeadSize = 16384;

std::string ReadHead(const std::string& fileName) {
  std::string head;
  std::FILE* f = OpenFile(fileName, "rb");
  if (!f) return head;
  head.resize(kHeadSize);
  head.resize(std::fread(head.data(), 1, head.size(), f));
  std::fclose(f);
  return head;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

// The text of a UTF-16 head with its zero bytes dropped: the markup and the
// names looked for are ASCII.
std::string Narrowed(std::string_view head) {
  std::string out;
  out.reserve(head.size());
  for (char c : head)
    if (c != '\0') out.push_back(c);
  return out;
}

bool LooksLikeXml(std::string_view head) {
  if (StartsWith(head, "\xEF\xBB\xBF")) head.remove_prefix(3);
  if (StartsWith(head, "\xFE\xFF") || StartsWith(head, "\xFF\xFE")) return true;
  if (StartsWith(head, std::string_view("<\0", 2)) || StartsWith(head, std::string_view("\0<", 2)))
    return true;
  head = TrimBlanks(head);
  return StartsWith(head, "<?xml") || StartsWith(head, "<");
}

int KindOfXml(std::string_view rawHead) {
  const std::string head = Narrowed(rawHead);
  // The first element after the declaration, comments and processing
  // instructions: its name, and the namespaces declared in the head.
  std::size_t at = 0;
  std::string_view root;
  while ((at = head.find('<', at)) != std::string::npos) {
    const char next = at + 1 < head.size() ? head[at + 1] : '\0';
    if (next == '?' || next == '!') {
      ++at;
      continue;
    }
    const std::size_t end = head.find_first_of(" \t\r\n>/", at + 1);
    root = std::string_view(head).substr(at + 1,
                                         (end == std::string::npos ? head.size() : end) - at - 1);
    break;
  }
  const std::size_t colon = root.find(':');
  if (colon != std::string_view::npos) root.remove_prefix(colon + 1);
  if (root == "gpx") return kKindGpx;
  if (head.find("fgd.gsi.go.jp") != std::string::npos) return kKindFgd;
  if (head.find("moj.go.jp/MINJI/tizuxml") != std::string::npos || root == "地図") return kKindMoj;
  if (root == "Dataset") return kKindFgd;
  return kKindStcXml;
}

int KindOfZip(const std::string& fileName) {
  std::vector<std::string> members;
  try {
    members = ArchiveMembers(fileName, {".xml", ".zip"}, false);
  } catch (const std::exception&) {
    // A damaged zip: the reader of downloads says what is wrong with it.
    return kKindFgd;
  }
  bool anyXml = false;
  for (const std::string& m : members) {
    if (StartsWithNoCase(BaseName(TLeafPath::Parse(m).Innermost()), "FG-GML")) return kKindFgd;
    anyXml = true;
  }
  return anyXml ? kKindMoj : kKindFgd;
}

// The first line of a text head, without its line end.
std::string_view FirstLine(std::string_view head) {
  const std::size_t end = head.find_first_of("\r\n");
  return end == std::string_view::npos ? head : head.substr(0, end);
}

int KindOfText(std::string_view head) {
  const std::string_view first = FirstLine(head);
  const std::string_view trimmed = TrimBlanks(first);
  // 国土数値情報: the header record "H  NLA ..." or the metadata line.
  if (StartsWith(first, "H") && first.find("NLA") != std::string_view::npos &&
      first.find("NLA") < 8)
    return kKindKsj;
  if (StartsWith(first, "KS-META")) return kKindKsj;
  // GPS 航跡 (PCX5): its first line names the software that wrote it.
  if (StartsWith(first, "H") && TrimBlanks(first.substr(1)).starts_with("SOFTWARE"))
    return kKindGpsWpt;
  // 街区レベル位置参照情報: a heading row with the prefecture's column, in
  // Shift_JIS or UTF-8.
  if (first.find("\x93\x73\x93\xB9\x95\x7B\x8C\xA7") != std::string_view::npos ||
      first.find("都道府県名") != std::string_view::npos)
    return kKindGkuPnt;
  // 電子海図: a listing of the cell's records.
  if (StartsWith(trimmed, "RECN")) return kKindEnc;
  return kKindSdf2500;
}

}  // namespace

int KindOfFile(const std::string& fileName) {
  if (!IsRegularFile(fileName)) return kKindSdf2500;
  const std::string head = ReadHead(fileName);
  if (StartsWith(head, "BM")) return kKindRaster;
  if (head.size() >= 8 && StartsWith(head, std::string_view("H\0\0\0\0\0\0\0", 8)))
    return kKindVectorBase + kKindSdf2500;
  if (StartsWith(head, "PK\x03\x04")) return KindOfZip(fileName);
  if (LooksLikeXml(head)) return KindOfXml(head);
  return KindOfText(head);
}

}  // namespace chizro
