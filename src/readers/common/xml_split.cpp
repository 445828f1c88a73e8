#include "readers/common/xml_split.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <optional>
#include <string_view>

#include "model/open_progress.h"
#include "platform/errors.h"
#include "platform/file_path.h"

namespace chizro {

namespace {

// How much of the file's beginning holds the root's start tag and shows the
// records' names, and how far past a target offset a cut is looked for.
constexpr std::size_t kHeadBytes = 256 * 1024;
constexpr std::size_t kCutWindow = 1024 * 1024;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsNameStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' ||
         static_cast<unsigned char>(c) >= 0x80;
}
bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

// The end of the name that starts at `p` (p itself when none starts there).
std::size_t NameEnd(std::string_view text, std::size_t p) {
  if (p >= text.size() || !IsNameStart(text[p])) return p;
  while (p < text.size() && IsNameChar(text[p])) ++p;
  return p;
}

// Past the '>' of the tag whose attributes start at `p`, quotes respected;
// npos when the tag does not end within `text`. `empty` tells "/>".
std::size_t TagEnd(std::string_view text, std::size_t p, bool& empty) {
  char quote = 0;
  for (; p < text.size(); ++p) {
    const char c = text[p];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      empty = text[p - 1] == '/';
      return p + 1;
    } else if (c == '<') {
      return std::string_view::npos;
    }
  }
  return std::string_view::npos;
}

// Past the end of the construct that `open` starts at `p` and `close` ends.
std::size_t Skip(std::string_view text, std::size_t p, std::string_view open,
                 std::string_view close) {
  const std::size_t q = text.find(close, p + open.size());
  return q == std::string_view::npos ? q : q + close.size();
}

struct THead {
  std::size_t RootEnd = 0;  // past the root's start tag
  std::string Root;         // its name as written
  std::vector<std::string> Records;  // names of the root's children
  bool OtherEncoding = false;        // the declaration names another than UTF-8
};

// Whether the XML declaration `decl` ("<?xml ... ?>") names an encoding
// other than UTF-8.
bool DeclaresOtherEncoding(std::string_view decl) {
  const std::size_t at = decl.find("encoding");
  if (at == std::string_view::npos) return false;
  const std::size_t quote = decl.find_first_of("\"'", at);
  if (quote == std::string_view::npos) return true;
  const std::size_t end = decl.find(decl[quote], quote + 1);
  if (end == std::string_view::npos) return true;
  std::string name(decl.substr(quote + 1, end - quote - 1));
  for (char& c : name) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return name != "UTF-8" && name != "UTF8";
}

// The root's start tag in the file's head.
std::optional<THead> ScanRoot(std::string_view text) {
  std::size_t p = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  THead head;
  for (;;) {
    while (p < text.size() && IsSpace(text[p])) ++p;
    if (p >= text.size() || text[p] != '<') return std::nullopt;
    const std::string_view at = text.substr(p);
    const std::size_t start = p;
    if (at.starts_with("<?")) {
      p = Skip(text, p, "<?", "?>");
      if (at.starts_with("<?xml") && p != std::string_view::npos)
        head.OtherEncoding = DeclaresOtherEncoding(text.substr(start, p - start));
    } else if (at.starts_with("<!--")) {
      p = Skip(text, p, "<!--", "-->");
    } else if (at.starts_with("<!")) {
      return std::nullopt;  // a document type declaration
    } else {
      break;
    }
    if (p == std::string_view::npos) return std::nullopt;
  }
  const std::size_t nameEnd = NameEnd(text, p + 1);
  if (nameEnd == p + 1) return std::nullopt;
  head.Root = std::string(text.substr(p + 1, nameEnd - p - 1));
  bool empty = false;
  p = TagEnd(text, nameEnd, empty);
  if (p == std::string_view::npos || empty) return std::nullopt;
  head.RootEnd = p;
  return head;
}

// The root's start tag and the names of its children in the file's head.
std::optional<THead> ScanHead(std::string_view text) {
  std::optional<THead> found = ScanRoot(text);
  if (!found) return std::nullopt;
  THead& head = *found;
  std::size_t p = head.RootEnd;
  bool empty = false;
  int depth = 1;
  while ((p = text.find('<', p)) != std::string_view::npos) {
    const std::string_view at = text.substr(p);
    if (at.starts_with("<!--")) {
      p = Skip(text, p, "<!--", "-->");
    } else if (at.starts_with("<![CDATA[")) {
      p = Skip(text, p, "<![CDATA[", "]]>");
    } else if (at.starts_with("<?")) {
      p = Skip(text, p, "<?", "?>");
    } else if (at.starts_with("</")) {
      if (--depth == 0) break;  // the root ends within the head
      p = text.find('>', p);
      if (p != std::string_view::npos) ++p;
    } else {
      const std::size_t end = NameEnd(text, p + 1);
      if (end == p + 1) break;
      const std::string name(text.substr(p + 1, end - p - 1));
      p = TagEnd(text, end, empty);
      if (p == std::string_view::npos) break;
      if (depth == 1 && std::find(head.Records.begin(), head.Records.end(), name) ==
                            head.Records.end())
        head.Records.push_back(name);
      if (!empty) ++depth;
    }
    if (p == std::string_view::npos) break;
  }
  if (head.Records.empty()) return std::nullopt;
  return head;
}

bool IsRecord(const THead& head, std::string_view name) {
  return std::find(head.Records.begin(), head.Records.end(), name) != head.Records.end();
}

// The offset in `window` of the first start tag of a record that follows a
// record's end tag ("</BldA>\n<BldA gml:id=..."); npos when none. `record`
// tells a record by its name as written and the record before it, and
// keeps what it needs to know of the pair it accepts.
template <class IsRecordPair>
std::size_t FindCut(std::string_view window, IsRecordPair&& record) {
  for (std::size_t p = window.find("</"); p != std::string_view::npos;
       p = window.find("</", p + 2)) {
    std::size_t q = NameEnd(window, p + 2);
    if (q == p + 2) continue;
    const std::string_view before = window.substr(p + 2, q - p - 2);
    while (q < window.size() && IsSpace(window[q])) ++q;
    if (q >= window.size() || window[q] != '>') continue;
    ++q;
    while (q < window.size() && IsSpace(window[q])) ++q;
    if (q >= window.size() || window[q] != '<') continue;
    const std::size_t end = NameEnd(window, q + 1);
    if (end == q + 1 || end >= window.size()) continue;
    if (!(IsSpace(window[end]) || window[end] == '>' || window[end] == '/')) continue;
    if (record(before, window.substr(q + 1, end - q - 1))) return q;
  }
  return std::string_view::npos;
}

// The name without its prefix.
std::string_view LocalName(std::string_view name) {
  const std::size_t colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string ReadAt(std::ifstream& in, const std::string& fileName, std::int64_t offset,
                   std::size_t count) {
  std::string bytes(count, '\0');
  in.clear();
  in.seekg(offset);
  in.read(bytes.data(), static_cast<std::streamsize>(count));
  if (in.bad()) throw EInOutError(Quoted(fileName) + " の読み込みに失敗しました");
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

class TPartSource final : public TByteSource {
public:
  TPartSource(const std::string& fileName, const TXmlPart& part, std::atomic<std::int64_t>& done,
              std::int64_t size, const std::atomic<bool>& stop, bool report)
      : in_(FsPath(fileName), std::ios::binary), part_(part), name_(PathForMessage(fileName)),
        done_(done), size_(size), stop_(stop), report_(report), at_(part.Begin) {
    if (!in_) throw EInOutError(Quoted(fileName) + " を開けません");
    in_.seekg(part.Begin);
  }

  std::size_t Read(void* buffer, std::size_t size) override {
    if (stop_.load(std::memory_order_relaxed)) {
      Error = "ほかの部分の読み込みが止まりました";
      return 0;
    }
    char* out = static_cast<char*>(buffer);
    if (head_ < part_.Head.size()) {
      const std::size_t n = std::min(size, part_.Head.size() - head_);
      std::memcpy(out, part_.Head.data() + head_, n);
      head_ += n;
      return n;
    }
    if (at_ < part_.End) {
      const auto want =
          static_cast<std::streamsize>(std::min<std::int64_t>(static_cast<std::int64_t>(size),
                                                              part_.End - at_));
      in_.read(out, want);
      const std::streamsize n = in_.gcount();
      if (n < want) {
        Error = "読み込みに失敗しました";
        at_ = part_.End;
      }
      at_ += n;
      const std::int64_t done = done_ += n;
      if (report_) ReportOpenBytes(name_, done, size_);
      if (n > 0) return static_cast<std::size_t>(n);
    }
    const std::size_t n = std::min(size, part_.Tail.size() - tail_);
    std::memcpy(out, part_.Tail.data() + tail_, n);
    tail_ += n;
    return n;
  }

private:
  std::ifstream in_;
  const TXmlPart& part_;
  std::string name_;
  std::atomic<std::int64_t>& done_;
  std::int64_t size_;
  const std::atomic<bool>& stop_;
  bool report_;
  std::int64_t at_;
  std::size_t head_ = 0;
  std::size_t tail_ = 0;
};

// Cuts a file into about `parts` parts at equal offsets, each cut between
// two records that `wrapOf(before, next)` accepts: it gives the qualified
// name of the element below the root that holds both ("" when the records
// are the root's children), which the next part's head opens again and
// this part's tail closes, or none where the two may not be parted.
template <class WrapOf>
std::vector<TXmlPart> CutParts(std::ifstream& in, const std::string& fileName, std::int64_t size,
                               unsigned parts, const std::string& start, const THead& head,
                               WrapOf&& wrapOf) {
  std::vector<std::int64_t> cuts;
  std::vector<std::string> wraps;  // the enclosing element of each cut
  for (unsigned k = 1; k < parts; ++k) {
    const std::int64_t target =
        std::max(size / parts * k, cuts.empty() ? static_cast<std::int64_t>(head.RootEnd)
                                                : cuts.back() + 1);
    if (target >= size) break;
    const std::string window = ReadAt(in, fileName, target, kCutWindow);
    std::string wrap;
    const std::size_t cut = FindCut(window, [&](std::string_view before, std::string_view next) {
      std::optional<std::string> w = wrapOf(before, next);
      if (!w) return false;
      wrap = std::move(*w);
      return true;
    });
    if (cut == std::string_view::npos) continue;
    cuts.push_back(target + static_cast<std::int64_t>(cut));
    wraps.push_back(std::move(wrap));
  }
  if (cuts.empty()) return {};

  const std::string rootHead = start.substr(0, head.RootEnd);
  const std::string rootTail = "</" + head.Root + ">";
  std::vector<TXmlPart> result;
  std::int64_t begin = 0;
  for (std::size_t i = 0; i <= cuts.size(); ++i) {
    TXmlPart part;
    if (i > 0) part.Head = rootHead + (wraps[i - 1].empty() ? "" : "<" + wraps[i - 1] + ">");
    part.Begin = begin;
    part.End = i < cuts.size() ? cuts[i] : size;
    if (i < cuts.size())
      part.Tail = (wraps[i].empty() ? "" : "</" + wraps[i] + ">") + rootTail;
    begin = part.End;
    result.push_back(std::move(part));
  }
  return result;
}

}  // namespace

std::vector<TXmlPart> SplitXmlRecords(const std::string& fileName, std::int64_t size,
                                      unsigned parts) {
  if (parts < 2 || size <= 0) return {};
  std::ifstream in(FsPath(fileName), std::ios::binary);
  if (!in) throw EInOutError(Quoted(fileName) + " を開けません");
  const std::string start =
      ReadAt(in, fileName, 0, static_cast<std::size_t>(std::min<std::int64_t>(size, kHeadBytes)));
  const std::optional<THead> head = ScanHead(start);
  if (!head) return {};
  return CutParts(in, fileName, size, parts, start, *head,
                  [&](std::string_view before, std::string_view next) -> std::optional<std::string> {
                    if (IsRecord(*head, before) && IsRecord(*head, next)) return std::string();
                    return std::nullopt;
                  });
}

std::vector<TXmlPart> SplitXmlSections(const std::string& fileName, std::int64_t size,
                                       unsigned parts, const std::vector<TXmlSection>& sections) {
  if (parts < 2 || size <= 0 || sections.empty()) return {};
  std::ifstream in(FsPath(fileName), std::ios::binary);
  if (!in) throw EInOutError(Quoted(fileName) + " を開けません");
  const std::string start =
      ReadAt(in, fileName, 0, static_cast<std::size_t>(std::min<std::int64_t>(size, kHeadBytes)));
  const std::optional<THead> head = ScanRoot(start);
  // The sections' names are UTF-8: a document in another encoding is not
  // cut.
  if (!head || head->OtherEncoding) return {};
  // The sections are in the root's namespace: they take its prefix.
  const std::size_t colon = head->Root.find(':');
  const std::string prefix = colon == std::string::npos ? "" : head->Root.substr(0, colon + 1);

  const auto sectionOf = [&sections](std::string_view record) -> const TXmlSection* {
    const std::string_view local = LocalName(record);
    for (const TXmlSection& section : sections)
      if (std::find(section.Records.begin(), section.Records.end(), local) !=
          section.Records.end())
        return &section;
    return nullptr;
  };
  return CutParts(in, fileName, size, parts, start, *head,
                  [&](std::string_view before, std::string_view next) -> std::optional<std::string> {
                    const TXmlSection* section = sectionOf(next);
                    if (!section || sectionOf(before) != section) return std::nullopt;
                    return prefix + section->Name;
                  });
}

std::unique_ptr<TByteSource> OpenXmlPart(const std::string& fileName, const TXmlPart& part,
                                         std::atomic<std::int64_t>& done, std::int64_t size,
                                         const std::atomic<bool>& stop, bool report) {
  return std::make_unique<TPartSource>(fileName, part, done, size, stop, report);
}

}  // namespace chizro
